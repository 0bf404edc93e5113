#pragma once
// Gauss writhe and linking numbers of polylines, ribbon twist and close-approach pairs.
//
// The polylines are open: a list of n points has the n-1 edges P_k -> P_{k+1}; a closed loop is
// passed with its first point repeated at the end. Pairs whose start points are closer than
// 1e-6 are skipped.
#include <utility>
#include <vector>

#include "common/vec3.hpp"

namespace kvor {

// sum over edges k < j of (e_k x e_j) . (P_k - P_j) / |P_k - P_j|^3, divided by 2pi.
// Fewer than two points (no edge pair) give 0.
double compute_writhe(const std::vector<Vec3>& points);

// sum over edges of A and B of (a_k x b_m) . (A_k - B_m) / |A_k - B_m|^3 / 4pi, rounded to the
// nearest integer (halves away from zero). A curve with fewer than two points gives 0.
int compute_linking_number(const std::vector<Vec3>& a, const std::vector<Vec3>& b);

// sum_{i=1..n-2} (T_i x dN_i) . N_i / 2pi with dN_i = (N_{i+1} - N_{i-1}) / 2; fewer than three
// samples give 0. T and N must have the same length (std::invalid_argument otherwise).
double compute_twist(const std::vector<Vec3>& T, const std::vector<Vec3>& N);

// The writhe of `points`; the second list does not enter.
double compute_centerline_helicity(const std::vector<Vec3>& points, const std::vector<Vec3>& second);

// Index pairs (i, j), j >= i + 5, with |P_i - P_j| < threshold, in order of i then j.
std::vector<std::pair<int, int>> detect_reconnection_candidates(const std::vector<Vec3>& points,
                                                                double threshold);

// (2pi/n)^2 / 4pi * sum over ordered pairs i != j of (T_j x T_i) . (X_j - X_i) / |X_j - X_i|^3
// for a curve sampled uniformly in a parameter spanning 2pi (T = dX/dt, not normalised).
// X and T must have the same length (std::invalid_argument otherwise).
double writhe_gauss_curve(const std::vector<Vec3>& X, const std::vector<Vec3>& T);

}  // namespace kvor
