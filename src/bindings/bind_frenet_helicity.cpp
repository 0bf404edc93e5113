#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_frenet_helicity(py::module_& /*m*/) {}

}  // namespace kvor::bindings
