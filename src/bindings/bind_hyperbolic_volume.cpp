#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_hyperbolic_volume(py::module_& /*m*/) {}

}  // namespace kvor::bindings
