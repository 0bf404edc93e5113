#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_time_evolution(py::module_& /*m*/) {}

}  // namespace kvor::bindings
