#pragma once
// Discrete curvature of a closed polygon.
#include <vector>

#include "common/vec3.hpp"

namespace kvor {

// kappa_i = |d1 x d2| / (|d1|^3 + eps) with d1 = (p_{i+1} - p_{i-1}) / 2 and
// d2 = p_{i+1} - 2 p_i + p_{i-1}, indices taken cyclically; all zeros for N <= 2.
std::vector<double> compute_curvature(const std::vector<Vec3>& points, double eps = 1e-8);

}  // namespace kvor
