#include "topology/writhe.hpp"

#include <cmath>
#include <stdexcept>

#include "common/constants.hpp"

namespace kvor {
namespace {

// Coordinates in separate contiguous arrays, so that the pair loops vectorise.
struct Soa {
    std::vector<double> x, y, z;
    explicit Soa(std::size_t n) : x(n), y(n), z(n) {}
};

Soa soa_points(const std::vector<Vec3>& p) {
    Soa s(p.size());
    for (std::size_t i = 0; i < p.size(); ++i) {
        s.x[i] = p[i][0];
        s.y[i] = p[i][1];
        s.z[i] = p[i][2];
    }
    return s;
}

// Edge vectors P_{k+1} - P_k of an open polyline.
Soa soa_edges(const std::vector<Vec3>& p) {
    Soa s(p.empty() ? 0 : p.size() - 1);
    for (std::size_t k = 0; k + 1 < p.size(); ++k) {
        s.x[k] = p[k + 1][0] - p[k][0];
        s.y[k] = p[k + 1][1] - p[k][1];
        s.z[k] = p[k + 1][2] - p[k][2];
    }
    return s;
}

// term[j] = (e x f_j) . (q - p_j) / |q - p_j|^3 for j in [lo, hi), 0 where |q - p_j| < 1e-6.
// Branch-free so that the loop vectorises; the caller adds the terms in order.
inline void gauss_terms(const Vec3& q, const Vec3& e, const Soa& p, const Soa& f, std::size_t lo,
                        std::size_t hi, double* term) {
    const double* px = p.x.data();
    const double* py = p.y.data();
    const double* pz = p.z.data();
    const double* fx = f.x.data();
    const double* fy = f.y.data();
    const double* fz = f.z.data();
    for (std::size_t j = lo; j < hi; ++j) {
        const double rx = q[0] - px[j];
        const double ry = q[1] - py[j];
        const double rz = q[2] - pz[j];
        const double cx = e[1] * fz[j] - e[2] * fy[j];
        const double cy = e[2] * fx[j] - e[0] * fz[j];
        const double cz = e[0] * fy[j] - e[1] * fx[j];
        const double num = cx * rx + cy * ry + cz * rz;
        const double h = std::sqrt(rx * rx + ry * ry + rz * rz);
        const bool skip = h < 1e-6;
        const double t = num / (skip ? 1.0 : h * h * h);
        term[j] = skip ? 0.0 : t;
    }
}

inline double add_in_order(double sum, const double* term, std::size_t lo, std::size_t hi) {
    for (std::size_t j = lo; j < hi; ++j) sum += term[j];
    return sum;
}

}  // namespace

double compute_writhe(const std::vector<Vec3>& points) {
    if (points.size() < 3) return 0.0;
    const Soa p = soa_points(points);
    const Soa e = soa_edges(points);
    const std::size_t m = e.x.size();
    std::vector<double> term(m);
    double sum = 0.0;
    for (std::size_t k = 0; k + 1 < m; ++k) {
        const Vec3 q{p.x[k], p.y[k], p.z[k]};
        const Vec3 ek{e.x[k], e.y[k], e.z[k]};
        gauss_terms(q, ek, p, e, k + 1, m, term.data());
        sum = add_in_order(sum, term.data(), k + 1, m);
    }
    return sum / kTwoPi;
}

int compute_linking_number(const std::vector<Vec3>& a, const std::vector<Vec3>& b) {
    if (a.size() < 2 || b.size() < 2) return 0;
    const Soa pb = soa_points(b);
    const Soa eb = soa_edges(b);
    const std::size_t mb = eb.x.size();
    std::vector<double> term(mb);
    double sum = 0.0;
    for (std::size_t k = 0; k + 1 < a.size(); ++k) {
        const Vec3 ea = a[k + 1] - a[k];
        gauss_terms(a[k], ea, pb, eb, 0, mb, term.data());
        sum = add_in_order(sum, term.data(), 0, mb);
    }
    const double lk = std::round(sum / kFourPi);
    // NaN or out-of-range sums have no integer value (and must not reach the conversion).
    if (!(lk >= -2147483648.0 && lk <= 2147483647.0))
        throw std::domain_error("compute_linking_number: linking number is not a finite 32-bit integer");
    return static_cast<int>(lk);
}

double compute_twist(const std::vector<Vec3>& T, const std::vector<Vec3>& N) {
    if (T.size() != N.size()) throw std::invalid_argument("compute_twist: T and N must have the same length");
    const std::size_t n = T.size();
    if (n < 3) return 0.0;
    double sum = 0.0;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const Vec3 dN = 0.5 * (N[i + 1] - N[i - 1]);
        const Vec3& t = T[i];
        const Vec3& v = N[i];
        sum += (t[1] * dN[2] - t[2] * dN[1]) * v[0] + (t[2] * dN[0] - t[0] * dN[2]) * v[1] +
               (t[0] * dN[1] - t[1] * dN[0]) * v[2];
    }
    return sum / kTwoPi;
}

double compute_centerline_helicity(const std::vector<Vec3>& points, const std::vector<Vec3>& /*second*/) {
    return compute_writhe(points);
}

std::vector<std::pair<int, int>> detect_reconnection_candidates(const std::vector<Vec3>& points,
                                                                double threshold) {
    std::vector<std::pair<int, int>> out;
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 5; j < n; ++j) {
            if (threshold > norm(points[i] - points[j]))
                out.emplace_back(static_cast<int>(i), static_cast<int>(j));
        }
    }
    return out;
}

double writhe_gauss_curve(const std::vector<Vec3>& X, const std::vector<Vec3>& T) {
    if (X.size() != T.size())
        throw std::invalid_argument("writhe_gauss_curve: X and T must have the same length");
    const std::size_t n = X.size();
    const double ds = kTwoPi / static_cast<double>(n);
    const Soa px = soa_points(X);
    const Soa pt = soa_points(T);
    std::vector<double> term(n);
    double sum = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
        gauss_terms(X[j], T[j], px, pt, 0, j, term.data());
        gauss_terms(X[j], T[j], px, pt, j + 1, n, term.data());
        sum = add_in_order(sum, term.data(), 0, j);
        sum = add_in_order(sum, term.data(), j + 1, n);
    }
    return ds * ds * sum / kFourPi;
}

}  // namespace kvor
