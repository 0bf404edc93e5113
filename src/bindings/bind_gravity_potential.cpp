#include "bindings/prelude.hpp"

#include "formulas/gravity.hpp"

namespace kvor::bindings {

void bind_gravity_potential(py::module_& m) {
    // Docstrings: newline, 12 spaces, the sentence, newline, 8 spaces.
    m.def("compute_gravitational_potential_gradient", &kvor::compute_gravitational_potential_gradient,
          "\n            Compute Ætheric gravitational potential field from vorticity gradients.\n        ",
          py::arg("positions"), py::arg("vorticity"), py::arg("epsilon") = 7e-7);
    m.def("compute_time_dilation_map_sqrt", &kvor::compute_time_dilation_map_sqrt,
          "\n            Compute time dilation factors from knot tangential velocities (sqrt method).\n        ",
          py::arg("tangents"), py::arg("C_e") = kSwirlSpeed);
    m.def("compute_gravitational_potential_direct", &kvor::compute_gravitational_potential_direct,
          "\n            Compute Æther gravitational potential field from vorticity.\n        ",
          py::arg("positions"), py::arg("vorticity"), py::arg("epsilon") = 0.1);
    m.def("compute_time_dilation_map_linear", &kvor::compute_time_dilation_map_linear,
          "\n            Compute local time dilation factor map from tangential velocities.\n        ",
          py::arg("tangents"), py::arg("C_e"));
    m.def("compute_gravitational_potential", &kvor::compute_gravitational_potential_gradient,
          "\n            Compute Ætheric gravitational potential field (backward compatibility).\n        ",
          py::arg("positions"), py::arg("vorticity"), py::arg("epsilon") = 7e-7);
    m.def("compute_time_dilation_map", &kvor::compute_time_dilation_map_sqrt,
          "\n            Compute time dilation factors (backward compatibility).\n        ", py::arg("tangents"),
          py::arg("C_e") = kSwirlSpeed);
}

}  // namespace kvor::bindings
