#pragma once
// Evaluation of Fourier curves:
//   r(s)   = sum_j A_j cos(js) + B_j sin(js)
//   r'(s)  = sum_j j (B_j cos(js) - A_j sin(js))
//   r''(s) = sum_j -j^2 (A_j cos(js) + B_j sin(js))
//   r'''(s)= sum_j j^3 (A_j sin(js) - B_j cos(js))
// One cos and one sin of j*s per harmonic.
#include <array>
#include <vector>

#include "common/vec3.hpp"
#include "knot/fourier_block.hpp"

namespace kvor {

// Position at one parameter. The harmonic count is len(a_x); a shorter list contributes 0
// for its missing harmonics (blocks with unequal lists never read past an end).
Vec3 evaluate_fourier_point(const FourierBlock& block, double s);

// Positions at each parameter, in order.
std::vector<Vec3> evaluate_fourier_block(const FourierBlock& block, const std::vector<double>& s);

// (r, r', r'', r''') at s over the harmonics of the longest list (missing coefficients are 0).
std::array<Vec3, 4> evaluate_with_derivatives(const FourierBlock& block, double s);

}  // namespace kvor
