#include "topology/crossing_estimate.hpp"

#include <algorithm>
#include <cmath>

#include "topology/random_projection.hpp"

namespace kvor {

long long count_planar_crossings(const double* qx, const double* qy, std::size_t n) {
    if (n < 4) return 0;
    // hits[k]: crossings of edge k with the earlier edges; selects instead of branches so that
    // the inner loop vectorises (counts stay exact in doubles).
    std::vector<double> hits(n + 1, 0.0);
    double* __restrict h = hits.data();
    for (std::size_t j = 0; j < n; ++j) {
        const double ax = qx[j], ay = qy[j];
        const double bx = qx[j + 1], by = qy[j + 1];
        const double abx = bx - ax, aby = by - ay;
        // The last edge shares point 0 with edge 0.
        const std::size_t end = (j == 0) ? n - 1 : n;
        for (std::size_t k = j + 2; k < end; ++k) {
            const double cx = qx[k], cy = qy[k];
            const double ex = qx[k + 1], ey = qy[k + 1];
            // cross(b - a, c - a) * cross(b - a, e - a) < 0 and cross(e - c, b - c) * cross(e - c, a - c) < 0
            const double c1 = abx * (cy - ay) - aby * (cx - ax);
            const double c2 = abx * (ey - ay) - aby * (ex - ax);
            const double ecx = ex - cx, ecy = ey - cy;
            const double c3 = ecx * (by - cy) - ecy * (bx - cx);
            const double c4 = ecx * (ay - cy) - ecy * (ax - cx);
            double g = c1 * c2 < 0.0 ? 1.0 : 0.0;
            g = c3 * c4 < 0.0 ? g : 0.0;
            h[k] += g;
        }
    }
    long long total = 0;
    for (std::size_t k = 0; k < n; ++k) total += static_cast<long long>(h[k]);
    return total;
}

int estimate_crossing_number(const std::vector<Vec3>& points, int directions, int seed) {
    const std::size_t n = points.size();
    Mt19937 engine = make_engine(seed);
    StandardNormal normal;
    int best = static_cast<int>(static_cast<unsigned>(n) * static_cast<unsigned>(n));
    std::vector<double> qx(n + 1), qy(n + 1);
    for (int t = 0; t < directions; ++t) {
        const Vec3 d = random_direction(normal, engine, 1e-12);
        const Vec3 a = std::fabs(d[0]) > 0.9 ? Vec3{0.0, 1.0, 0.0} : Vec3{1.0, 0.0, 0.0};
        const auto [u, v] = projection_plane(d, a, 1e-12);
        for (std::size_t i = 0; i < n; ++i) {
            qx[i] = dot(points[i], u);
            qy[i] = dot(points[i], v);
        }
        if (n > 0) {
            qx[n] = qx[0];
            qy[n] = qy[0];
        }
        const long long count = count_planar_crossings(qx.data(), qy.data(), n);
        if (count < best) best = static_cast<int>(count);
    }
    return best;
}

}  // namespace kvor
