#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_vorticity_2d(py::module_& /*m*/) {}

}  // namespace kvor::bindings
