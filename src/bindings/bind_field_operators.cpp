#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_field_operators(py::module_& /*m*/) {}

}  // namespace kvor::bindings
