#include "particle/particle_evaluator.hpp"

#include <iostream>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "dynamics/biot_savart.hpp"
#include "dynamics/frenet.hpp"
#include "formulas/gravity.hpp"
#include "particle/ideal_database_loader.hpp"
#include "particle/relax.hpp"

namespace kvor {

namespace {

constexpr double kTwoCoreRadius = 2.81794034e-15;  // m
constexpr double kCoreEnergyPerMetre = 14.5267535; // F_max / 2, J/m
constexpr double kJoulePerMeV = 1.602176634e-13;
constexpr double kCoreCrossSection = 6.236680122475321e-30;  // pi r_c^2, m^2
constexpr double kSwirlSpeedScale = 1093845.63;              // m/s

}  // namespace

ParticleEvaluator::ParticleEvaluator(const std::string& knot_ab_id, int resolution) {
    const std::string text = read_ideal_database();
    if (text.empty()) throw std::runtime_error("[!] VARIzudu: ideal_database.txt niet gevonden.");
    auto [lists, produced] = load_ab_filaments(text, knot_ab_id, resolution);
    if (!produced) throw std::runtime_error("[!] VARIzudu: Knoop ID " + knot_ab_id + " niet gevonden in database.");
    filaments = std::move(lists);
}

ParticleEvaluator::ParticleEvaluator(std::vector<PointList> input_filaments) : filaments(std::move(input_filaments)) {}

void ParticleEvaluator::relax(int iterations, double timestep) { relax_filaments(filaments, iterations, timestep); }

double ParticleEvaluator::total_length() const {
    double L = 0.0;
    for (const PointList& p : filaments) {
        const std::size_t n = p.size();
        double len = 0.0;
        for (std::size_t i = 0; i < n; ++i) len += norm(p[(i + 1) % n] - p[i]);
        L += len;
    }
    return L;
}

double ParticleEvaluator::get_dimless_ropelength(double stretch_lambda) const {
    if (filaments.empty()) return 0.0;
    return (total_length() / kTwoCoreRadius) / (stretch_lambda * stretch_lambda);
}

double ParticleEvaluator::get_physical_length_m() const { return get_dimless_ropelength(1.0) * kTwoCoreRadius; }

double ParticleEvaluator::compute_core_energy_J() const {
    return get_dimless_ropelength(1.0) * kTwoCoreRadius * kCoreEnergyPerMetre;
}

double ParticleEvaluator::compute_tail_energy_J(bool include_tail) const {
    return include_tail ? compute_tail_energy_surrogate_J() : 0.0;
}

double ParticleEvaluator::get_mass_mev_ab_initio(bool include_tail) const {
    const double T = include_tail ? compute_tail_energy_surrogate_J() : 0.0;
    return (compute_core_energy_J() + T) / kJoulePerMeV;
}

double ParticleEvaluator::get_core_mass_mev_only() const { return compute_core_energy_J() / kJoulePerMeV; }

double ParticleEvaluator::compute_tail_energy_surrogate_J() const {
    return kvor::compute_tail_energy_surrogate_J(filaments, tail_config);
}

LocalFrame ParticleEvaluator::local_frame_at(std::int64_t f, std::int64_t i) const {
    return kvor::local_frame_at(filaments, f, i);
}

Vec3 ParticleEvaluator::tail_velocity_at(const Vec3& q, std::int64_t f, std::int64_t i, double exclusion) const {
    return kvor::tail_velocity_at(filaments, q, f, i, exclusion);
}

RelativisticMetrics ParticleEvaluator::compute_relativistic_metrics(double circulation) const {
    RelativisticMetrics out;
    out.core_time_dilation = 1.0;
    if (filaments.empty() || filaments.front().empty()) return out;
    const PointList& P = filaments.front();
    const std::size_t n = P.size();

    // Tangents of the open polyline; with fewer than three points they are all zero.
    std::vector<Vec3> T(n, Vec3{0.0, 0.0, 0.0});
    if (n >= 3) T = std::get<0>(compute_frenet_frames(P));

    const std::vector<Vec3> v = biot_savart_velocities(P, P, T, circulation);
    const double w_scale = circulation / kCoreCrossSection;
    std::vector<Vec3> w(n);
    for (std::size_t j = 0; j < n; ++j) w[j] = w_scale * T[j];

    out.helicity = static_cast<double>(compute_helicity(v, w));
    out.time_dilation_map = compute_time_dilation_map_sqrt(v, kSwirlSpeedScale);
    double sum = 0.0;
    for (const double f : out.time_dilation_map) sum += f;
    out.core_time_dilation = sum / static_cast<double>(n);
    return out;
}

void ParticleEvaluator::print_canonical_derivation() {
    std::ostream& os = std::cout;
    const std::string rule(66, '=');
    os << "\n" << rule << "\n";
    os << "KVOR CANON: DYNAMIC CLOSURE OF CORE DENSITY\n";
    os << rule << "\n";
    os << "The effective mass density of the vortex core (rho_core) is strictly\n";
    os << "derived as a dynamic closure relation. The maximum tangential tension\n";
    os << "(F_max) perfectly balances the hydrodynamic inertia of the fluid.\n\n";
    os << "Formula: rho_core = F_max / (pi * r_c^2 * ||v_swirl||^2)\n\n";
    os << "[*] Core Primitives:\n";
    os.unsetf(std::ios_base::floatfield);
    os.precision(8);
    os << "    F_max   = " << 29.053507 << " N\n";
    os << std::scientific;
    os.precision(8);
    os << "    r_c     = " << 1.40897017e-15 << " m\n";
    os << "    v_swirl = " << 1093845.63 << " m/s\n\n";
    os << "[*] Derived Invariant Densities:\n";
    os << std::scientific;
    os.precision(16);
    os << "    rho_core = " << 3.8934358266918687e18 << " kg/m^3\n";
    os << "    rho_E    = " << 3.49924561231878e35 << " J/m^3\n";
    os << rule << "\n\n";
    os.flush();
}

}  // namespace kvor
