#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_swirl_field(py::module_& /*m*/) {}

}  // namespace kvor::bindings
