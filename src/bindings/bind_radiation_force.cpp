#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_radiation_force(py::module_& /*m*/) {}

}  // namespace kvor::bindings
