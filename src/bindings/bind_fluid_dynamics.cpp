#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_fluid_dynamics(py::module_& /*m*/) {}

}  // namespace kvor::bindings
