// Ab initio particle evaluator, its two records, and the master-dictionary classes.
#include "bindings/prelude.hpp"

#include "particle/master_dictionary.hpp"
#include "particle/particle_evaluator.hpp"
#include "particle/tail_energy.hpp"

namespace kvor::bindings {

void bind_ab_initio(py::module_& m) {
    py::class_<TailApproxConfig>(m, "TailApproxConfig")
        .def(py::init<>())
        .def_readwrite("enabled", &TailApproxConfig::enabled)
        .def_readwrite("radial_samples", &TailApproxConfig::radial_samples)
        .def_readwrite("azimuth_samples", &TailApproxConfig::azimuth_samples)
        .def_readwrite("r_min_factor", &TailApproxConfig::r_min_factor)
        .def_readwrite("r_max_factor", &TailApproxConfig::r_max_factor)
        .def_readwrite("exclusion_ds_factor", &TailApproxConfig::exclusion_ds_factor)
        .def_readwrite("use_log_shell_weight", &TailApproxConfig::use_log_shell_weight);

    py::class_<RelativisticMetrics> metrics(m, "RelativisticMetrics");
    metrics.def(py::init<>()).def_readwrite("helicity", &RelativisticMetrics::helicity);
    def_copy_rw(metrics, "time_dilation_map", &RelativisticMetrics::time_dilation_map);
    metrics.def_readwrite("core_time_dilation", &RelativisticMetrics::core_time_dilation);

    py::class_<ParticleEvaluator>(m, "ParticleEvaluator")
        .def(py::init<const std::string&, int>(), "knot_ab_id"_a, "resolution"_a = 4000)
        .def(py::init<std::vector<PointList>>(), "input_filaments"_a)
        .def("relax", &ParticleEvaluator::relax, "iterations"_a = 1000, "timestep"_a = 0.01)
        .def("get_dimless_ropelength", &ParticleEvaluator::get_dimless_ropelength, "stretch_lambda"_a = 1.0)
        .def("get_physical_length_m", &ParticleEvaluator::get_physical_length_m)
        .def("compute_core_energy_J", &ParticleEvaluator::compute_core_energy_J)
        .def("compute_tail_energy_J", &ParticleEvaluator::compute_tail_energy_J, "include_tail"_a = false)
        .def("get_mass_mev_ab_initio", &ParticleEvaluator::get_mass_mev_ab_initio, "include_tail"_a = false)
        .def("get_core_mass_mev_only", &ParticleEvaluator::get_core_mass_mev_only)
        .def("set_tail_approx_config", &ParticleEvaluator::set_tail_approx_config)
        .def("get_tail_approx_config", &ParticleEvaluator::get_tail_approx_config)
        .def("compute_tail_energy_surrogate_J", &ParticleEvaluator::compute_tail_energy_surrogate_J)
        .def("compute_relativistic_metrics", &ParticleEvaluator::compute_relativistic_metrics,
             "circulation"_a = 9.683619203e-9)
        .def_static("print_canonical_derivation", &ParticleEvaluator::print_canonical_derivation,
                    "Prints the dynamic fluid derivation of the core density.")
        .def("get_filaments", &ParticleEvaluator::get_filaments,
             "Export the 3D coordinates of all present vortex rings.");

    py::class_<ZooResult>(m, "ZooResult")
        .def_readonly("identifier", &ZooResult::identifier)
        .def_readonly("mass_mev", &ZooResult::mass_mev)
        .def_readonly("bridge_b", &ZooResult::bridge_b)
        .def_readonly("genus_g", &ZooResult::genus_g);

    py::class_<ZooEvaluator>(m, "ZooEvaluator")
        .def_static("evaluate_all_golden_nls", &ZooEvaluator::evaluate_all_golden_nls,
                    "Run ab initio Golden NLS mass evaluation for the entire KVOR Master Dictionary.")
        .def_static("get_entry_mass", &ZooEvaluator::get_entry_mass, "identifier"_a,
                    "Get the mass of a specific knot by its dictionary ID.");
}

}  // namespace kvor::bindings
