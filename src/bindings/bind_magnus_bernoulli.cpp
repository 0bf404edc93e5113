#include "bindings/prelude.hpp"

namespace kvor::bindings {

// Registers nothing yet.
void bind_magnus_bernoulli(py::module_& /*m*/) {}

}  // namespace kvor::bindings
