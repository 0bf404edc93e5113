#include "knot/fourier_geometry.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/constants.hpp"
#include "knot/fourier_eval.hpp"
#include "topology/writhe.hpp"

namespace kvor {
namespace {

std::size_t at_least(int n, int floor) { return static_cast<std::size_t>(std::max(n, floor)); }

double length_of(const FourierSamples& f) {
    const double ds = kTwoPi / static_cast<double>(f.d1.size());
    double sum = 0.0;
    for (const Vec3& d1 : f.d1) sum += norm(d1) * ds;
    return sum;
}

double bending_energy_of(const FourierSamples& f, double eps) {
    const double ds = kTwoPi / static_cast<double>(f.d1.size());
    double sum = 0.0;
    for (std::size_t i = 0; i < f.d1.size(); ++i) {
        const double g = std::max(eps, norm(f.d1[i]));
        const double kappa = norm(cross(f.d1[i], f.d2[i])) / (g * g * g);
        sum += kappa * kappa * g * ds;
    }
    return sum;
}

}  // namespace

std::vector<double> curvature_exact(const FourierBlock& block, const std::vector<double>& s, double eps) {
    const FourierSamples f = evaluate_fourier_derivatives(block, s, 2);
    std::vector<double> out(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double g = std::max(eps, norm(f.d1[i]));
        out[i] = norm(cross(f.d1[i], f.d2[i])) / (g * g * g);
    }
    return out;
}

double length_exact(const FourierBlock& block, int nsamples) {
    return length_of(evaluate_fourier_derivatives(block, uniform_parameters(at_least(nsamples, 16)), 2));
}

double bending_energy_exact(const FourierBlock& block, int nsamples, double eps) {
    return bending_energy_of(evaluate_fourier_derivatives(block, uniform_parameters(at_least(nsamples, 32)), 2),
                             eps);
}

std::vector<double> mode_energies(const FourierBlock& b) {
    const std::size_t n = std::max({b.a_x.size(), b.b_x.size(), b.a_y.size(), b.b_y.size(), b.a_z.size(), b.b_z.size()});
    auto sq = [](const std::vector<double>& v, std::size_t k) { return k < v.size() ? v[k] * v[k] : 0.0; };
    std::vector<double> out(n);
    for (std::size_t k = 0; k < n; ++k)
        out[k] = sq(b.a_x, k) + sq(b.b_x, k) + sq(b.a_y, k) + sq(b.b_y, k) + sq(b.a_z, k) + sq(b.b_z, k);
    return out;
}

double min_self_distance_sampled(const std::vector<Vec3>& points, int exclude_window) {
    const std::size_t n = points.size();
    if (n < 4) return 0.0;
    std::vector<double> x(n), y(n), z(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = points[i][0];
        y[i] = points[i][1];
        z[i] = points[i][2];
    }
    // Pairs i < j qualify when min(j - i, n - (j - i)) > w, i.e. w < j - i < n - w.
    // best[j] keeps the smallest squared distance of point j to the earlier points (an
    // element-wise update, so the inner loop vectorises); sqrt is monotone, so the square
    // root of the minimum is the minimum distance.
    const std::size_t w = static_cast<std::size_t>(std::max(exclude_window, 0));
    if (w + 1 >= n) return 0.0;  // every separation is at most w
    std::vector<double> best(n, std::numeric_limits<double>::infinity());
    double* __restrict b = best.data();
    const double* __restrict px = x.data();
    const double* __restrict py = y.data();
    const double* __restrict pz = z.data();
    bool any = false;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t lo = i + w + 1;
        const std::size_t hi = std::min(n, i + n - w);  // exclusive
        if (lo >= hi) continue;
        any = true;
        const double xi = px[i], yi = py[i], zi = pz[i];
        for (std::size_t j = lo; j < hi; ++j) {
            const double dx = xi - px[j], dy = yi - py[j], dz = zi - pz[j];
            const double d2 = dx * dx + dy * dy + dz * dz;
            b[j] = d2 < b[j] ? d2 : b[j];
        }
    }
    if (!any) return 0.0;
    double m = std::numeric_limits<double>::infinity();
    for (double v : best) m = v < m ? v : m;
    return std::sqrt(m);
}

double min_self_distance_exactish(const FourierBlock& block, int nsamples, int exclude_window) {
    return min_self_distance_sampled(evaluate_fourier_block(block, uniform_parameters(at_least(nsamples, 64))),
                                     exclude_window);
}

GeometricDescriptors describe_fourier_block(const FourierBlock& block, int nsamples, int exclude_window) {
    const std::size_t N = at_least(nsamples, 64);
    const std::vector<Vec3> polygon = evaluate_fourier_block(block, uniform_parameters(N));
    const std::size_t M = std::max<std::size_t>(4 * N, 512);
    const FourierSamples f = evaluate_fourier_derivatives(block, uniform_parameters(M), 2);
    GeometricDescriptors g;
    g.L = length_of(f);
    g.bending_energy = bending_energy_of(f, 1e-12);
    g.min_self_distance = min_self_distance_sampled(polygon, exclude_window);
    g.writhe = compute_writhe(polygon);
    g.mode_energy = mode_energies(block);
    return g;
}

std::vector<Vec3> evaluate_ideal_component(const IdealABComponent& component, const std::vector<double>& s) {
    std::vector<Vec3> pts = evaluate_fourier_block(component.fourier, s);
    for (Vec3& p : pts) {
        p += component.A0;
        p += component.B0;
    }
    return pts;
}

std::vector<std::vector<Vec3>> evaluate_ideal_ab_components(const IdealABBlock& ab, const std::vector<double>& s) {
    std::vector<std::vector<Vec3>> out;
    out.reserve(ab.components.size());
    for (const IdealABComponent& c : ab.components) out.push_back(evaluate_ideal_component(c, s));
    return out;
}

}  // namespace kvor
