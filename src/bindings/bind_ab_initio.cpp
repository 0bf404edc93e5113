#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_ab_initio(py::module_& /*m*/) {}

}  // namespace kvor::bindings
