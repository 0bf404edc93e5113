#include "fseries_tools/curve_metrics.hpp"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

#include "common/checked.hpp"
#include "dynamics/grid_helicity.hpp"
#include "dynamics/simd_clones.hpp"
#include "fseries_tools/pair_ranges.hpp"
#include "knot/fourier_eval.hpp"
#include "knot/fseries_reader.hpp"

namespace kvor::kvorext {

namespace {

// The file's largest block (block 0 if the choice is out of range).
FourierBlock largest_block_of(const std::string& path) {
    std::vector<FourierBlock> blocks = parse_fseries_multi(path);
    if (blocks.empty()) throw std::runtime_error("no blocks parsed from: " + path);
    int idx = index_of_largest_block(blocks);
    if (idx < 0 || static_cast<std::size_t>(idx) >= blocks.size()) idx = 0;
    return std::move(blocks[static_cast<std::size_t>(idx)]);
}

}  // namespace

std::vector<Vec3> sample_curve_centered(const std::string& path, int nsamples) {
    const FourierBlock block = largest_block_of(path);
    const std::vector<double> t = uniform_parameters(checked_count(nsamples));
    std::vector<Vec3> pts = evaluate_fourier_block(block, t);
    if (pts.empty()) return pts;

    Vec3 mean{0.0, 0.0, 0.0};
    for (const auto& p : pts) mean += p;
    mean = mean / static_cast<double>(pts.size());
    for (auto& p : pts) p -= mean;
    return pts;
}

double polygon_length(const std::vector<Vec3>& pts) {
    const std::size_t n = pts.size();
    if (n < 2) return 0.0;
    double L = 0.0;
    for (std::size_t k = 0; k < n; ++k) L += norm(pts[(k + 1) % n] - pts[k]);
    return L;
}

CurveMetrics curvature_metrics(const std::vector<Vec3>& pts) {
    CurveMetrics m;
    m.L = polygon_length(pts);
    const std::size_t n = pts.size();
    if (n < 3 || !(m.L > 0.0)) return m;

    double kappa_sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3& A = pts[(i + n - 1) % n];
        const Vec3& P = pts[i];
        const Vec3& B = pts[(i + 1) % n];
        const Vec3 e_prev = P - A;
        const Vec3 e_next = B - P;
        const double l_prev = norm(e_prev);
        const double l_next = norm(e_next);
        if (l_prev <= 0.0 || l_next <= 0.0) continue;
        const double ds = (l_next + l_prev) / 2.0;
        const double kappa = norm(e_next / l_next - e_prev / l_prev) / ds;
        m.bend_energy += kappa * kappa * ds;
        kappa_sum += kappa;
        if (kappa > m.kappa_max) m.kappa_max = kappa;
    }
    m.kappa_mean = kappa_sum / static_cast<double>(n);
    return m;
}

namespace {

// Smallest squared distance over pairs j > i more than `skip` steps apart (+inf if none).
// The distance is symmetric in (i, j), so these pairs give the minimum over all ordered pairs.
KVOR_SIMD_CLONES
double min_sq_distance_beyond(const double* __restrict x, const double* __restrict y, const double* __restrict z,
                              long long n, long long skip) {
    double best2 = std::numeric_limits<double>::infinity();
    for (long long i = 0; i < n; ++i) {
        const PartnerRuns r = partners_beyond(i, n, skip);
        const double xi = x[i], yi = y[i], zi = z[i];
        double b2 = best2;
#pragma omp simd reduction(min : b2)
        for (long long j = r.lo_after; j <= r.hi_after; ++j) {
            const double dx = x[j] - xi, dy = y[j] - yi, dz = z[j] - zi;
            const double d2 = dx * dx + dy * dy + dz * dz;
            b2 = d2 < b2 ? d2 : b2;
        }
        best2 = b2;
    }
    return best2;
}

}  // namespace

double min_non_neighbor_distance(const std::vector<Vec3>& pts, int skip) {
    const std::size_t n = pts.size();
    if (n < 4) return 0.0;
    std::vector<double> buf(3 * n);
    double* x = buf.data();
    double* y = x + n;
    double* z = y + n;
    for (std::size_t k = 0; k < n; ++k) {
        x[k] = pts[k][0];
        y[k] = pts[k][1];
        z[k] = pts[k][2];
    }
    // Squared distances are compared and the root taken once (sqrt is monotonic).
    constexpr double kNone = 1e300;
    const double d = std::sqrt(min_sq_distance_beyond(x, y, z, static_cast<long long>(n), skip));
    return d < kNone ? d : kNone;
}

double reach_proxy(const std::vector<Vec3>& pts, int skip) { return 0.5 * min_non_neighbor_distance(pts, skip); }

double curve_length_from_fseries(const std::string& path, int nsamples) {
    return polygon_length(sample_curve_centered(path, nsamples));
}

double min_non_neighbor_distance_from_fseries(const std::string& path, int nsamples, int skip) {
    return min_non_neighbor_distance(sample_curve_centered(path, nsamples), skip);
}

double reach_proxy_from_fseries(const std::string& path, int nsamples, int skip) {
    return reach_proxy(sample_curve_centered(path, nsamples), skip);
}

HelicityResult compute_helicity_from_fseries(const std::string& path, int grid_size, double spacing,
                                             int interior_margin, int nsamples) {
    const std::vector<Vec3> pts = sample_curve_centered(path, nsamples);
    const CurveMetrics cm = curvature_metrics(pts);
    const double m = min_non_neighbor_distance(pts, 3);

    // The grid pipeline samples the block on its own, so the file is read again for it.
    const FourierBlock block = largest_block_of(path);
    const HelicityInvariants inv =
        compute_helicity_from_fourier_block(block, grid_size, spacing, interior_margin, nsamples);

    HelicityResult res;
    res.path = path;
    res.a_mu = inv.a_mu;
    res.Hc = inv.H_charge;
    res.Hm = inv.H_mass;
    set_polygon_measures(res, cm, m);
    res.nsamples = nsamples;
    return res;
}

}  // namespace kvor::kvorext
