#include "topology/random_projection.hpp"

#include <cmath>

namespace kvor {

double uniform53(Mt19937& engine) {
    const std::uint32_t a = static_cast<std::uint32_t>(engine());
    const std::uint32_t b = static_cast<std::uint32_t>(engine());
    return (static_cast<double>(b) * 2097152.0 + static_cast<double>(a >> 11)) * 0x1.0p-53;
}

double StandardNormal::operator()(Mt19937& engine) {
    if (has_cached_) {
        has_cached_ = false;
        return cached_;
    }
    double u1, u2, s;
    do {
        u1 = 2.0 * uniform53(engine) - 1.0;
        u2 = 2.0 * uniform53(engine) - 1.0;
        s = u1 * u1 + u2 * u2;
    } while (!(s < 1.0 && u1 != 0.0 && u2 != 0.0));
    double f;
    if (s > 1e-4) {
        f = std::sqrt(-2.0 * std::log(s) / s);
    } else {
        // Tiny s: rescale by a power of two so that the logarithm keeps its precision.
        const int k = std::ilogb(std::fmax(std::fabs(u1), std::fabs(u2)));
        u1 = std::ldexp(u1, -k);
        u2 = std::ldexp(u2, -k);
        const double s2 = u1 * u1 + u2 * u2;
        const double log_s = std::log(s2) + static_cast<double>(k) * 1.3862943611198906;
        f = std::sqrt(-2.0 * log_s / s2);
    }
    cached_ = u2 * f;
    has_cached_ = true;
    return u1 * f;
}

Vec3 random_direction(StandardNormal& normal, Mt19937& engine, double eps) {
    const double x = normal(engine);
    const double y = normal(engine);
    const double z = normal(engine);
    const Vec3 d{x, y, z};
    return d / (norm(d) + eps);
}

std::pair<Vec3, Vec3> projection_plane(const Vec3& d, const Vec3& a, double eps) {
    Vec3 u = cross(d, a);
    u = u / (norm(u) + eps);
    return {u, cross(d, u)};
}

}  // namespace kvor
