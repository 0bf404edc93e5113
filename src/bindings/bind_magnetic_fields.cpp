#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_magnetic_fields(py::module_& /*m*/) {}

}  // namespace kvor::bindings
