#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_biot_savart(py::module_& /*m*/) {}

}  // namespace kvor::bindings
