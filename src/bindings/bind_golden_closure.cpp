#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_golden_closure(py::module_& /*m*/) {}

}  // namespace kvor::bindings
