// Mass of one closed polyline.
#include "bindings/prelude.hpp"

#include "particle/kvor_mass.hpp"

namespace kvor::bindings {

void bind_kvor_mass(py::module_& m) {
    m.def("compute_kvor_mass", &compute_kvor_mass,
          "\nCompute KVOR mass (core + fluid) for a closed polyline.\n\n"
          "Uses Rosenhead\u2013Moore regularized Neumann mutual inductance integral.\n"
          "points: list of [x,y,z] (closed curve by convention).\n"
          "chi_spin: spin factor (e.g. 2 for fermion).\n"
          "Returns: (m_core_kg, m_fluid_kg).\n",
          "points"_a, "chi_spin"_a);
}

}  // namespace kvor::bindings
