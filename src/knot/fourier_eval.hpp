#pragma once
// Evaluation of Fourier curves:
//   r(s)   = sum_j A_j cos(js) + B_j sin(js)
//   r'(s)  = sum_j j (B_j cos(js) - A_j sin(js))
//   r''(s) = sum_j -j^2 (A_j cos(js) + B_j sin(js))
//   r'''(s)= sum_j j^3 (A_j sin(js) - B_j cos(js))
// cos(js), sin(js) come from one cos/sin of s per parameter and the angle-addition recurrence,
// shared by the four sums; the work is vectorised over the parameters, each sum over j is
// accumulated in harmonic order.
#include <array>
#include <cstddef>
#include <vector>

#include "common/vec3.hpp"
#include "knot/fourier_block.hpp"

namespace kvor {

// Positions at each parameter, in order. The harmonic count is len(a_x); a shorter list
// contributes 0 for its missing harmonics and longer lists are read only up to len(a_x).
std::vector<Vec3> evaluate_fourier_block(const FourierBlock& block, const std::vector<double>& s);

// Position at one parameter (same harmonic count as evaluate_fourier_block).
Vec3 evaluate_fourier_point(const FourierBlock& block, double s);

// (r, r', r'', r''') at s over the harmonics of the longest list (missing coefficients are 0).
std::array<Vec3, 4> evaluate_with_derivatives(const FourierBlock& block, double s);

// Samples of r and its first derivatives at many parameters.
struct FourierSamples {
    std::vector<Vec3> r, d1, d2, d3;
};

// r, r', r'' (and r''' when order == 3) at each parameter, over the harmonics of the longest
// list as evaluate_with_derivatives; order is 2 or 3 (d3 stays empty for order 2).
FourierSamples evaluate_fourier_derivatives(const FourierBlock& block, const std::vector<double>& s,
                                            int order = 3);

// Uniform parameters s_i = i * 2pi / n, i = 0..n-1 (the end point 2pi is not repeated).
std::vector<double> uniform_parameters(std::size_t n);

}  // namespace kvor
