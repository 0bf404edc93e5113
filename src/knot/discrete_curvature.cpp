#include "knot/discrete_curvature.hpp"

namespace kvor {

std::vector<double> compute_curvature(const std::vector<Vec3>& points, double eps) {
    const std::size_t n = points.size();
    std::vector<double> kappa(n, 0.0);
    if (n <= 2) return kappa;
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3& p = points[i];
        const Vec3& q = points[(i + 1) % n];
        const Vec3& o = points[(i + n - 1) % n];
        const Vec3 d1 = (q - o) / 2.0;
        const Vec3 d2 = q - 2.0 * p + o;
        const double g = norm(d1);
        kappa[i] = norm(cross(d1, d2)) / (g * g * g + eps);
    }
    return kappa;
}

}  // namespace kvor
