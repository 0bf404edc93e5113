#include "bindings/prelude.hpp"

#include "formulas/magnus_bernoulli.hpp"

namespace kvor::bindings {

void bind_magnus_bernoulli(py::module_& m) {
    py::class_<MagnusBernoulliIntegrator>(m, "MagnusBernoulliIntegrator")
        .def(py::init<double, double, double, double>(),
             "Initializes the Magnus-Bernoulli Integrator with foundational KVOR constants.", py::arg("rho_f"),
             py::arg("v_swirl"), py::arg("r_c"), py::arg("Gamma"))
        .def("compute_magnus_force", &MagnusBernoulliIntegrator::compute_magnus_force,
             "Computes the transverse Magnus-Curvature force on a vortex segment.", py::arg("tangent"),
             py::arg("normal"), py::arg("curvature_radius"), py::arg("v_knot"), py::arg("v_bg"))
        .def("compute_swirl_coulomb_accel", &MagnusBernoulliIntegrator::compute_swirl_coulomb_accel,
             "Computes the exact continuous Swirl-Coulomb radial acceleration.", py::arg("eval_pos"),
             py::arg("source_pos"));
}

}  // namespace kvor::bindings
