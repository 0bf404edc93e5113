#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_kvor_mass(py::module_& /*m*/) {}

}  // namespace kvor::bindings
