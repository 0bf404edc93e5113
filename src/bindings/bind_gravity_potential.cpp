#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_gravity_potential(py::module_& /*m*/) {}

}  // namespace kvor::bindings
