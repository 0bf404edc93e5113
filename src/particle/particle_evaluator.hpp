#pragma once
// Ab initio KVOR particle: a knot or link held as closed vortex filaments, relaxed to the KVOR
// ring size; its rest energy is the filament length times the core energy per metre.
#include <cstdint>
#include <string>
#include <vector>

#include "common/vec3.hpp"
#include "particle/tail_energy.hpp"

namespace kvor {

struct RelativisticMetrics {
    double helicity = 0.0;
    std::vector<double> time_dilation_map;
    double core_time_dilation = 0.0;
};

class ParticleEvaluator {
public:
    std::vector<PointList> filaments;
    TailApproxConfig tail_config;

    // Components of the ideal-database entry with this Id, each sampled at `resolution` points.
    explicit ParticleEvaluator(const std::string& knot_ab_id, int resolution = 4000);
    explicit ParticleEvaluator(std::vector<PointList> input_filaments);

    void relax(int iterations = 1000, double timestep = 0.01);

    double get_dimless_ropelength(double stretch_lambda = 1.0) const;
    double get_physical_length_m() const;
    double compute_core_energy_J() const;
    double compute_tail_energy_J(bool include_tail = false) const;
    double get_mass_mev_ab_initio(bool include_tail = false) const;
    double get_core_mass_mev_only() const;

    void set_tail_approx_config(const TailApproxConfig& cfg) { tail_config = cfg; }
    TailApproxConfig get_tail_approx_config() const { return tail_config; }
    double compute_tail_energy_surrogate_J() const;
    LocalFrame local_frame_at(std::int64_t f, std::int64_t i) const;
    Vec3 tail_velocity_at(const Vec3& q, std::int64_t f, std::int64_t i, double exclusion) const;

    // Helicity and time dilation of the first filament from its own Biot-Savart velocities.
    RelativisticMetrics compute_relativistic_metrics(double circulation = 9.683619203e-9) const;

    // Writes the closure relation for the core density to the native standard output.
    static void print_canonical_derivation();

    std::vector<PointList> get_filaments() const { return filaments; }

private:
    double total_length() const;
};

}  // namespace kvor
