#pragma once
// Crossing-number estimate of a closed polygon from random planar projections.
#include <vector>

#include "common/vec3.hpp"

namespace kvor {

// Minimum over `directions` random projections (MT19937 seeded with `seed`, one normal generator
// for the whole call) of the number of transverse crossings of non-adjacent edges of the
// projected closed polygon. directions <= 0 gives n*n; fewer than 4 points give 0 crossings.
int estimate_crossing_number(const std::vector<Vec3>& points, int directions, int seed);

// Transverse crossings of non-adjacent edges of the closed planar polygon (qx[i], qy[i]),
// i = 0..n-1; the arrays hold n + 1 entries, the last repeating the first.
long long count_planar_crossings(const double* qx, const double* qy, std::size_t n);

}  // namespace kvor
