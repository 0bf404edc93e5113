#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_kvor_gravity(py::module_& /*m*/) {}

}  // namespace kvor::bindings
