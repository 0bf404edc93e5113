#include "bindings/prelude.hpp"

#include "formulas/small_formulas.hpp"

namespace kvor::bindings {

void bind_thermodynamics(py::module_& m) {
    m.def("potential_temperature", &kvor::potential_temperature, "Compute potential temperature θ = T (p0/p)^k",
          py::arg("T"), py::arg("p0"), py::arg("p"), py::arg("R"), py::arg("cp"));
    m.def("entropy_from_theta", &kvor::entropy_from_theta, "Entropy differential ds = cp * dθ / θ", py::arg("cp"),
          py::arg("theta"), py::arg("dtheta"));
    m.def("entropy_from_pv", &kvor::entropy_from_pv,
          "Entropy from pressure and volume ds = NR/(γ-1) * (ln(p)+ln(V))", py::arg("N"), py::arg("R"),
          py::arg("p"), py::arg("V"), py::arg("gamma"));
    m.def("enthalpy", &kvor::enthalpy, "Enthalpy H = E + pV", py::arg("internal_energy"), py::arg("p"),
          py::arg("V"));
}

}  // namespace kvor::bindings
