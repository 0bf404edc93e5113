#pragma once
// Kinetic energy of a thin vortex filament whose centreline is a .fseries curve: a non-local
// double sum over edge pairs far apart along the curve, a local matching term and a
// core-interior term, with the polygon measures of the sampled curve.
#include <cstdint>
#include <string>

namespace kvor::kvorext {

struct FilamentEnergyParams {
    double rho_outer = 7e-7;
    double rho_local = 7e-7;
    double Gamma = 1.0;
    double a_core = 1.0;
    double delta = 0.0;
    double s_cut_local = 0.0;
    bool include_nonlocal = true;
    bool include_local_match = true;
    bool include_core_int = true;
    double c_rankine_outer = 0.0;
    std::int32_t nsamples = 1024;
    std::int32_t skip_neighbors_base = 1;
};

struct FilamentEnergyResult {
    std::string path;
    double L = 0.0;
    double ds_avg = 0.0;
    std::int32_t m_loc = 0;
    double E_nonlocal = 0.0;
    double E_local_match = 0.0;
    double E_core_int = 0.0;
    double E_total = 0.0;
    double kappa_max = 0.0;
    double kappa_mean = 0.0;
    double bend_energy = 0.0;
    double min_non_neighbor_dist = 0.0;
    double reach_proxy = 0.0;
    double rho_outer = 0.0;
    double rho_local = 0.0;
    double Gamma = 0.0;
    double a_core = 0.0;
    double delta = 0.0;
    double s_cut_local = 0.0;
    double c_rankine_outer = 0.0;
    std::int32_t nsamples = 0;
};

// Samples P.nsamples points of the file's largest block (centred) and evaluates
//   E_nonlocal    = rho_outer Gamma^2 / (8 pi) * sum_{i,j: sep > m_loc, r > cut} (T_i . T_j) / r ds^2
//                   over both orders of every pair, T the unit edge directions, ds = L / n,
//                   m_loc = max(ceil(s_cut_local / ds), skip_neighbors_base);
//   E_local_match = (ln(s_cut_local / a_core) + c_rankine_outer) rho_local Gamma^2 / (4 pi) L;
//   E_core_int    = rho_local Gamma^2 / (16 pi) L.
// File errors as sample_curve_centered.
FilamentEnergyResult compute_filament_energy_from_fseries(const std::string& path, const FilamentEnergyParams& P);

// Only the geometric fields: L, ds_avg, curvature statistics, the non-neighbour distance with
// `skip` and the reach proxy; nsamples is copied, everything else stays 0.
FilamentEnergyResult compute_curve_metrics_from_fseries(const std::string& path, int nsamples, int skip);

}  // namespace kvor::kvorext
