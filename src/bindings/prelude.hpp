#pragma once
// Included first by every binding source: pybind11 with its container and NumPy support,
// the namespace alias, and the nineteen registration functions of the module.
#include <pybind11/pybind11.h>
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

namespace py = pybind11;
using namespace pybind11::literals;

namespace kvor::bindings {

// Registration groups, called by the module body in exactly this order.
void bind_ab_initio(py::module_& m);
void bind_biot_savart(py::module_& m);
void bind_fluid_dynamics(py::module_& m);
void bind_magnetic_fields(py::module_& m);
void bind_field_operators(py::module_& m);
void bind_knot_core(py::module_& m);
void bind_frenet_helicity(py::module_& m);
void bind_magnus_bernoulli(py::module_& m);
void bind_gravity_potential(py::module_& m);
void bind_hyperbolic_volume(py::module_& m);
void bind_radiation_force(py::module_& m);
void bind_swirl_field(py::module_& m);
void bind_thermodynamics(py::module_& m);
void bind_time_evolution(py::module_& m);
void bind_golden_closure(py::module_& m);
void bind_vorticity_2d(py::module_& m);
void bind_kvor_gravity(py::module_& m);
void bind_kvor_mass(py::module_& m);
void bind_fseries_tools(py::module_& m);

// A read-write attribute whose getter returns a copy of the member (lists of records and
// nested records come back as new objects, never as views into the owner).
template <typename Class, typename Owner, typename Value>
void def_copy_rw(Class& cls, const char* name, Value Owner::*member) {
    cls.def_property(
        name, [member](const Owner& self) { return self.*member; },
        [member](Owner& self, const Value& v) { self.*member = v; });
}

// A read-only attribute returning a copy of the member.
template <typename Class, typename Owner, typename Value>
void def_copy_ro(Class& cls, const char* name, Value Owner::*member) {
    cls.def_property_readonly(name, [member](const Owner& self) { return self.*member; });
}

}  // namespace kvor::bindings
