// bind_time_evolution: the caller-initialised filament with Frenet tangent refresh.
#include "bindings/prelude.hpp"

#include "dynamics/vortex_knot_system.hpp"

namespace kvor::bindings {

void bind_time_evolution(py::module_& m) {
    py::class_<TimeEvolution> cls(m, "TimeEvolution");
    cls.def(py::init<std::vector<Vec3>, std::vector<Vec3>, double>(), py::arg("initial_positions"),
            py::arg("initial_tangents"), py::arg("gamma") = 1.0);
    cls.def("evolve", &TimeEvolution::evolve, py::arg("dt"), py::arg("steps"));
    cls.def("get_positions", &TimeEvolution::get_positions);
    cls.def("get_tangents", &TimeEvolution::get_tangents);
}

}  // namespace kvor::bindings
