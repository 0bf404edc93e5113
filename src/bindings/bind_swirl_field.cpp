#include "bindings/prelude.hpp"

#include "formulas/small_formulas.hpp"

namespace kvor::bindings {

void bind_swirl_field(py::module_& m) {
    m.def("compute_swirl_field", &kvor::compute_swirl_field,
          "\n\t\t\t\tCompute 2D swirl force field at a given resolution and time.\n\t\t\t", py::arg("res"),
          py::arg("time"));
}

}  // namespace kvor::bindings
