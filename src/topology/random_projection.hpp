#pragma once
// Reproducible random projections: the 32-bit Mersenne Twister, a standard normal generator
// (Marsaglia polar method) written out here so that its draws do not depend on the C++ runtime,
// and the plane perpendicular to a direction.
#include <cstdint>
#include <random>
#include <utility>

#include "common/vec3.hpp"

namespace kvor {

// MT19937 with the standard seeding x_0 = seed, x_i = 1812433253 (x_{i-1} ^ (x_{i-1} >> 30)) + i.
using Mt19937 = std::mt19937;

inline Mt19937 make_engine(int seed) { return Mt19937(static_cast<std::uint32_t>(seed)); }

// Uniform in [0, 1) with 53 random bits from two outputs a, b: (b 2^21 + (a >> 11)) 2^-53.
double uniform53(Mt19937& engine);

// Standard normal deviates, Marsaglia polar method; the second value of each pair is cached
// and returned by the next call.
class StandardNormal {
public:
    double operator()(Mt19937& engine);

private:
    bool has_cached_ = false;
    double cached_ = 0.0;
};

// Three normals x, y, z in that order, scaled to (x, y, z) / (|(x, y, z)| + eps).
Vec3 random_direction(StandardNormal& normal, Mt19937& engine, double eps);

// Plane of a unit direction d with auxiliary axis a: u = (d x a) / (|d x a| + eps), v = d x u.
std::pair<Vec3, Vec3> projection_plane(const Vec3& d, const Vec3& a, double eps);

}  // namespace kvor
