#include "bindings/prelude.hpp"

#include "formulas/vorticity_2d.hpp"

namespace kvor::bindings {

void bind_vorticity_2d(py::module_& m) {
    m.def("vorticity_z_2D", &kvor::vorticity_z_2D, "Compute 2D vorticity: dv/dx - du/dy", py::arg("dv_dx"),
          py::arg("du_dy"));
    m.def("local_circulation_density", &kvor::vorticity_z_2D,
          "Local circulation density (vorticity) via Stokes' theorem", py::arg("dv_dx"), py::arg("du_dy"));
    m.def("solid_body_rotation_vorticity", &kvor::solid_body_rotation_vorticity,
          "Vorticity of solid body rotation: 2 * omega", py::arg("omega"));
    m.def("couette_vorticity", &kvor::couette_vorticity, "Vorticity of Couette flow: -alpha", py::arg("alpha"));
    m.def("crocco_relation", &kvor::crocco_relation,
          "Velocity-curl product equals pressure gradient divided by density", py::arg("vorticity"), py::arg("rho"),
          py::arg("pressure_gradient"));
    // Second overload of compute_vorticity (the tensor form is registered first).
    m.def("compute_vorticity",
          py::overload_cast<const std::vector<double>&, const std::vector<double>&, int, int, double, double>(
              &kvor::compute_vorticity),
          "Vorticity tools for 2D flows", py::arg("u"), py::arg("v"), py::arg("nx"), py::arg("ny"), py::arg("dx"),
          py::arg("dy"));
    m.def("rotating_frame_rhs", &kvor::rotating_frame_rhs, "Compute rotating frame momentum RHS",
          py::arg("velocity"), py::arg("vorticity"), py::arg("grad_phi"), py::arg("grad_p"), py::arg("omega"),
          py::arg("rho"));
    m.def("crocco_gradient", &kvor::crocco_gradient, "Compute ∇H from Crocco's theorem", py::arg("velocity"),
          py::arg("vorticity"), py::arg("grad_phi"), py::arg("grad_p"), py::arg("rho"));
    m.def("baroclinic_term", &kvor::baroclinic_term, "Baroclinic torque term", py::arg("grad_rho"),
          py::arg("grad_p"), py::arg("rho"));
    m.def("compute_vorticity_rhs", &kvor::compute_vorticity_rhs, "Vorticity transport RHS", py::arg("omega"),
          py::arg("grad_u"), py::arg("div_u"), py::arg("grad_rho"), py::arg("grad_p"), py::arg("rho"));
}

}  // namespace kvor::bindings
