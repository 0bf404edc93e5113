#pragma once
// Energy functionals of a closed polygonal filament P_0 ... P_{N-1} with edges
// D_k = P_{k+1 mod N} - P_k. Points are N contiguous (x, y, z) triples of doubles.
#include <cstddef>
#include <vector>

namespace kvor {

// sum_{k<j} 2 (D_k . D_j) / sqrt(|P_j - P_k|^2 + rc^2); 0 for N < 2.
double neumann_self_energy(const double* points, std::size_t n, double rc);

// sum over non-neighbouring vertex pairs of f(2 rc / |P_j - P_i|), f(x) = x^12 for x > 0.1
// (else 0); 0 for N < 3.
double core_repulsion(const double* points, std::size_t n, double rc);

// Closed polygon length; 0 for N < 2.
double polyline_length(const double* points, std::size_t n);

// (1/4pi) sum_{k<j} 2 (D_k x D_j) . (P_j - P_k) / (|P_j - P_k|^2 + rc^2)^(3/2); 0 for N < 2.
double regularized_writhe(const double* points, std::size_t n, double rc);

// sum_i (|D_i| + |D_{i-1}|)/2 * c_i^2 with c_i the Menger curvature of (P_{i-1}, P_i, P_{i+1}).
double curvature_penalty(const double* points, std::size_t n);

// (1/8pi) sum over ordered pairs i != j with |P_i - P_j| > a_m of (T_i . T_j) ds_i ds_j / |P_i - P_j|,
// for every cut-off a_m, in one pass over the pairs.
std::vector<double> bs_cutoff_energy_scan(const double* points, const double* tangents, const double* ds,
                                          std::size_t n, const std::vector<double>& a_values);

}  // namespace kvor
