#include "fseries_tools/filament_energy_file.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "common/vec3.hpp"
#include "dynamics/simd_clones.hpp"
#include "fseries_tools/curve_metrics.hpp"
#include "fseries_tools/pair_ranges.hpp"

namespace kvor::kvorext {
namespace {

constexpr double kFourPi = 12.566370614359172;
constexpr double kEightPi = 25.132741228718345;
constexpr double kSixteenPi = 50.26548245743669;

// Neighbour count excluded by an arc-length cut-off: ceil(s_cut / ds), truncated to int
// (values beyond the int range saturate).
int local_exclusion(double s_cut, double ds) {
    if (!(s_cut > 0.0) || !(ds > 0.0)) return 0;
    const double m = std::ceil(s_cut / ds);
    if (!(m < static_cast<double>(INT_MAX))) return INT_MAX;
    return static_cast<int>(m);
}

// sum over ordered pairs (i, j) more than m apart along the curve with |p_i - p_j| > cut of
// (T_i . T_j) / |p_i - p_j| * ds * ds; both orders of every pair are summed.
KVOR_SIMD_CLONES
double neumann_sum(const double* __restrict x, const double* __restrict y, const double* __restrict z,
                   const double* __restrict tx, const double* __restrict ty, const double* __restrict tz,
                   long long n, double ds, long long m, double cut) {
    double S = 0.0;
    for (long long i = 0; i < n; ++i) {
        const PartnerRuns r = partners_beyond(i, n, m);
        const double xi = x[i], yi = y[i], zi = z[i];
        const double txi = tx[i], tyi = ty[i], tzi = tz[i];
        const long long runs[2][2] = {{r.lo_before, r.hi_before}, {r.lo_after, r.hi_after}};
        for (const auto& run : runs) {
            double s = 0.0;
#pragma omp simd reduction(+ : s)
            for (long long j = run[0]; j <= run[1]; ++j) {
                const double dx = xi - x[j], dy = yi - y[j], dz = zi - z[j];
                const double rr = std::sqrt(dx * dx + dy * dy + dz * dz);
                const double tt = txi * tx[j] + tyi * ty[j] + tzi * tz[j];
                s += rr <= cut ? 0.0 : tt / rr * ds * ds;
            }
            S += s;
        }
    }
    return S;
}

// Positions and unit edge directions (zero for a zero-length edge) as arrays, then the sum.
double neumann_pair_sum(const std::vector<Vec3>& pts, double ds, long long m, double cut) {
    const std::size_t n = pts.size();
    std::vector<double> buf(6 * n);
    double* x = buf.data();
    double* y = x + n;
    double* z = y + n;
    double* tx = z + n;
    double* ty = tx + n;
    double* tz = ty + n;
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = pts[i][0];
        y[i] = pts[i][1];
        z[i] = pts[i][2];
        const Vec3 e = pts[(i + 1) % n] - pts[i];
        const double l = norm(e);
        const Vec3 t = l > 0.0 ? e / l : Vec3{0.0, 0.0, 0.0};
        tx[i] = t[0];
        ty[i] = t[1];
        tz[i] = t[2];
    }
    return neumann_sum(x, y, z, tx, ty, tz, static_cast<long long>(n), ds, m, cut);
}

}  // namespace

FilamentEnergyResult compute_filament_energy_from_fseries(const std::string& path, const FilamentEnergyParams& P) {
    const std::vector<Vec3> pts = sample_curve_centered(path, P.nsamples);
    const std::size_t n = pts.size();
    const CurveMetrics cm = curvature_metrics(pts);
    const double ds_avg = n > 0 ? cm.L / static_cast<double>(n) : 0.0;
    const double min_nn = min_non_neighbor_distance(pts, std::max(P.skip_neighbors_base, 1));

    const int m_loc = std::max(local_exclusion(P.s_cut_local, ds_avg), static_cast<int>(P.skip_neighbors_base));
    const double G2 = P.Gamma * P.Gamma;

    double E_nonlocal = 0.0;
    if (P.include_nonlocal && n > 1) {
        const double cut = P.delta > 0.0 ? P.delta : 0.0;
        E_nonlocal = P.rho_outer * G2 / kEightPi * neumann_pair_sum(pts, ds_avg, m_loc, cut);
    }
    double E_local_match = 0.0;
    if (P.include_local_match && P.s_cut_local > 0.0 && P.a_core > 0.0) {
        E_local_match = (std::log(P.s_cut_local / P.a_core) + P.c_rankine_outer) * P.rho_local * G2 / kFourPi * cm.L;
    }
    const double E_core_int = P.include_core_int ? P.rho_local * G2 / kSixteenPi * cm.L : 0.0;

    FilamentEnergyResult res;
    res.path = path;
    res.ds_avg = ds_avg;
    res.m_loc = m_loc;
    res.E_nonlocal = E_nonlocal;
    res.E_local_match = E_local_match;
    res.E_core_int = E_core_int;
    res.E_total = E_local_match + E_nonlocal + E_core_int;
    set_polygon_measures(res, cm, min_nn);
    res.rho_outer = P.rho_outer;
    res.rho_local = P.rho_local;
    res.Gamma = P.Gamma;
    res.a_core = P.a_core;
    res.delta = P.delta;
    res.s_cut_local = P.s_cut_local;
    res.c_rankine_outer = P.c_rankine_outer;
    res.nsamples = P.nsamples;
    return res;
}

FilamentEnergyResult compute_curve_metrics_from_fseries(const std::string& path, int nsamples, int skip) {
    const std::vector<Vec3> pts = sample_curve_centered(path, nsamples);
    const std::size_t n = pts.size();
    const CurveMetrics cm = curvature_metrics(pts);
    const double d = min_non_neighbor_distance(pts, skip);

    FilamentEnergyResult res;
    res.path = path;
    res.nsamples = nsamples;
    set_polygon_measures(res, cm, d);
    res.ds_avg = n > 0 ? cm.L / static_cast<double>(n) : 0.0;
    return res;
}

}  // namespace kvor::kvorext
