#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_fseries_tools(py::module_& /*m*/) {}

}  // namespace kvor::bindings
