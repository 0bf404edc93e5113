#pragma once
// Damped relaxation of a set of closed filaments under tension, contraction towards the common
// centroid and short-range repulsion, followed by a rescale to the KVOR ring size.
//
// The repulsion sum of point i runs over every other point in (filament, point) order; only
// pairs with squared distance inside (1e-8, 0.04) contribute. `relax_filaments` finds those
// pairs with a cell list and adds them in that same order, so its result is bit-for-bit that
// of the literal double loop.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "common/vec3.hpp"

namespace kvor {

void relax_filaments(std::vector<PointList>& filaments, int iterations, double timestep);

namespace relax_detail {

inline constexpr double kTargetRadius = 2.81794034e-15;  // 2 r_c, m
inline constexpr double kWindowLow = 1e-8;
inline constexpr double kWindowHigh = 0.04000000000000001;

inline bool in_window(double Q) { return Q > kWindowLow && Q < kWindowHigh; }

// Repulsion of a pair at separation d (Q = |d|^2 inside the window).
inline Vec3 repulsion_term(const Vec3& d, double Q) {
    return (d / std::sqrt(Q)) * std::min(0.5 / (Q * Q), 200.0);
}

// All points of all filaments in one array, with the filament offsets.
struct Flat {
    std::vector<Vec3> x;
    std::vector<std::size_t> offset;  // filament f owns x[offset[f] .. offset[f+1])
};
Flat flatten(const std::vector<PointList>& filaments);
void unflatten(const Flat& flat, std::vector<PointList>& filaments);
Vec3 centroid(const std::vector<Vec3>& x);
// Scales about the centroid so that the farthest point lies kTargetRadius from it.
void rescale_to_target(std::vector<Vec3>& x);

// The relaxation loop; `Repulsion` supplies prepare(x) once per iteration and
// add(x, gi, gprev, gnext, F), which adds the repulsion on point gi in (filament, point) order.
template <typename Repulsion>
void relax_with(std::vector<PointList>& filaments, int iterations, double dt, Repulsion& repulsion) {
    if (filaments.empty()) return;
    Flat flat = flatten(filaments);
    std::vector<Vec3>& x = flat.x;
    const std::size_t total = x.size();
    std::vector<Vec3> v(total, Vec3{0.0, 0.0, 0.0});
    for (int it = 0; it < iterations; ++it) {
        const Vec3 c = centroid(x);
        std::vector<Vec3> F(total, Vec3{0.0, 0.0, 0.0});
        repulsion.prepare(x);
        for (std::size_t f = 0; f + 1 < flat.offset.size(); ++f) {
            const std::size_t off = flat.offset[f];
            const std::size_t n = flat.offset[f + 1] - off;
            for (std::size_t i = 0; i < n; ++i) {
                const std::size_t gi = off + i;
                const std::size_t gprev = off + (i + n - 1) % n;
                const std::size_t gnext = off + (i + 1) % n;
                Vec3& Fi = F[gi];
                Fi += 25.0 * ((x[gprev] - x[gi]) + (x[gnext] - x[gi]));
                Fi += 15.0 * (c - x[gi]);
                repulsion.add(x, gi, gprev, gnext, Fi);
            }
        }
        for (std::size_t k = 0; k < total; ++k) {
            v[k] = (v[k] + dt * F[k]) * 0.7;
            x[k] = x[k] + dt * v[k];
        }
    }
    rescale_to_target(x);
    unflatten(flat, filaments);
}

}  // namespace relax_detail

}  // namespace kvor
