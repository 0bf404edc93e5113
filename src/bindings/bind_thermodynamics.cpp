#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_thermodynamics(py::module_& /*m*/) {}

}  // namespace kvor::bindings
