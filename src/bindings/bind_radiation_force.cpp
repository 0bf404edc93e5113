#include "bindings/prelude.hpp"

#include "formulas/small_formulas.hpp"

namespace kvor::bindings {

// Positional arguments, no docstrings.
void bind_radiation_force(py::module_& m) {
    m.def("radiation_force", &kvor::radiation_force);
    m.def("van_der_pol_dx", &kvor::van_der_pol_dx);
    m.def("van_der_pol_dy", &kvor::van_der_pol_dy);
}

}  // namespace kvor::bindings
