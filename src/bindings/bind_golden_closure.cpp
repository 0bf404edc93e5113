// Lamb-Oseen and Hill-vortex formulas; the density regimes and the Golden NLS closure.
#include "bindings/prelude.hpp"

#include "formulas/small_formulas.hpp"
#include "particle/golden_closure.hpp"

namespace kvor::bindings {

void bind_golden_closure(py::module_& m) {
    // --- Lamb-Oseen vortex and Hill's spherical vortex (registered first) --------------------
    // Positional arguments, no docstrings.
    m.def("lamb_oseen_velocity", &kvor::lamb_oseen_velocity);
    m.def("lamb_oseen_vorticity", &kvor::lamb_oseen_vorticity);
    m.def("hill_streamfunction", &kvor::hill_streamfunction);
    m.def("hill_vorticity", &kvor::hill_vorticity);
    m.def("hill_circulation", &kvor::hill_circulation);
    m.def("hill_velocity", &kvor::hill_velocity);

    // --- Golden NLS closure ------------------------------------------------------------------
    py::enum_<DensityRegime>(m, "DensityRegime")
        .value("EFFECTIVE_FLUID", DensityRegime::EFFECTIVE_FLUID)
        .value("CORE_DOMINATED", DensityRegime::CORE_DOMINATED)
        .export_values();

    py::class_<GoldenNLSClosure>(m, "GoldenNLSClosure")
        .def(py::init<DensityRegime>(), "regime"_a = DensityRegime::CORE_DOMINATED)
        .def("set_regime", &GoldenNLSClosure::set_regime)
        .def("get_active_density", &GoldenNLSClosure::get_active_density)
        .def("calculate_loop_energy", &GoldenNLSClosure::calculate_loop_energy, "R"_a)
        .def("calculate_loop_mass", &GoldenNLSClosure::calculate_loop_mass, "R"_a)
        .def("calculate_screened_mass", &GoldenNLSClosure::calculate_screened_mass, "bare_mass"_a, "double_k"_a)
        .def("infer_geometric_ratio", &GoldenNLSClosure::infer_geometric_ratio, "target_mass"_a = 9.10938356e-31,
             "tolerance"_a = 1e-12, "max_iter"_a = 100)
        .def("infer_geometric_ratio_safe", &GoldenNLSClosure::infer_geometric_ratio_safe,
             "target_mass"_a = 9.10938356e-31, "x0"_a = 1.0, "x_min"_a = 1e-6, "x_max"_a = 10.0, "x_tol"_a = 1e-12,
             "f_tol"_a = 1e-12, "max_iter"_a = 100)
        .def("geometric_ratio_residual", &GoldenNLSClosure::geometric_ratio_residual, "x"_a,
             "target_mass"_a = 9.10938356e-31)
        .def_static("infer_effective_base", &GoldenNLSClosure::infer_effective_base, "ratio"_a, "exponent_n"_a)
        .def_static("predicted_ratio_from_base", &GoldenNLSClosure::predicted_ratio_from_base, "base"_a,
                    "exponent_n"_a)
        .def_static("relative_error", &GoldenNLSClosure::relative_error, "predicted"_a, "observed"_a);
}

}  // namespace kvor::bindings
