#include "bindings/prelude.hpp"

#include <stdexcept>

#include "bindings/conversions.hpp"
#include "formulas/magnetic.hpp"

namespace kvor::bindings {

namespace {

py::array_t<double> curl(const DArray& vel, double spacing) {
    if (vel.ndim() != 4 || vel.shape(3) != 3) throw std::invalid_argument("curl3d_central: vel must be (Nx,Ny,Nz,3)");
    py::array_t<double> out({vel.shape(0), vel.shape(1), vel.shape(2), vel.shape(3)});
    curl3d_central(vel.data(), static_cast<std::size_t>(vel.shape(0)), static_cast<std::size_t>(vel.shape(1)),
                   static_cast<std::size_t>(vel.shape(2)), spacing, out.mutable_data());
    return out;
}

}  // namespace

void bind_field_operators(py::module_& m) {
    m.def("curl3d_central", &curl,
          "Central‑difference curl with periodic BCs. vel:(Nx,Ny,Nz,3) -> curl:(Nx,Ny,Nz,3)", py::arg("vel"),
          py::arg("spacing"));
}

}  // namespace kvor::bindings
