#include "bindings/prelude.hpp"

#include "bindings/conversions.hpp"
#include "topology/pd_code.hpp"

namespace kvor::bindings {
namespace {

// The volume solver lives in a separate Python module, imported on every call (the
// interpreter's module cache makes repeated imports cheap).
double hyperbolic_volume_from_pd(const PdCode& pd) {
    py::gil_scoped_acquire gil;
    py::module_ solver = py::module_::import("kvor_hypvol_no_deps");
    py::object fn = solver.attr("hyperbolic_volume_from_pd");
    py::list crossings;
    for (const PdCrossing& c : pd) {
        py::list labels;
        for (int label : c) labels.append(py::int_(label));
        crossings.append(labels);
    }
    py::object volume = fn(crossings, "verbose"_a = false);
    // The C API float conversion; on failure, float() of anything with the number protocol.
    double v = PyFloat_AsDouble(volume.ptr());
    if (v == -1.0 && PyErr_Occurred()) {
        PyErr_Clear();
        if (!PyNumber_Check(volume.ptr())) throw cast_error_for(volume);
        py::object as_float = py::reinterpret_steal<py::object>(PyNumber_Float(volume.ptr()));
        if (!as_float) throw py::error_already_set();
        v = PyFloat_AsDouble(as_float.ptr());
    }
    return v;
}

}  // namespace

void bind_hyperbolic_volume(py::module_& m) {
    m.def("hyperbolic_volume_from_pd", &hyperbolic_volume_from_pd,
          "Hyperbolic volume from PD (delegates to Python if no native solver).", py::arg("pd"));
}

}  // namespace kvor::bindings
