// bind_frenet_helicity: discrete Frenet frames, curvature and torsion, the single-precision
// helicity (second overload of compute_helicity) and the one-step position update.
#include "bindings/prelude.hpp"

#include "dynamics/frenet.hpp"

namespace kvor::bindings {

void bind_frenet_helicity(py::module_& m) {
    using Points = std::vector<Vec3>;
    m.def("compute_frenet_frames", py::overload_cast<const Points&>(&compute_frenet_frames),
          "\n        Compute Frenet frames (T, N, B) from 3D filament points.\n"
          "        Returns: (T, N, B) as tuple of lists.\n    ");
    m.def("compute_curvature_torsion", &compute_curvature_torsion,
          "\n\t\tCompute curvature and torsion from tangent and normal vectors.\n"
          "\t\tReturns: (curvature, torsion) as tuple of lists.\n\t");
    m.def("compute_helicity", &compute_helicity, "\n        Compute helicity H = ∫ v · ω dV.\n    ");
    m.def("evolve_vortex_knot", &evolve_vortex_knot,
          "\n        Evolve vortex knot filaments using Biot–Savart dynamics.\n    ");
    m.def("rk4_integrate", &rk4_integrate, "\n        Runge-Kutta 4th order time integrator for vortex elements.\n    ");
}

}  // namespace kvor::bindings
