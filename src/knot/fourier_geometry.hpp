#pragma once
// Geometry of closed Fourier curves computed from their coefficients: curvature, length,
// bending energy, per-harmonic energy, sampled self-distance, the descriptor record, and the
// evaluation of ideal-database components (harmonics plus constant offsets).
#include <vector>

#include "common/vec3.hpp"
#include "knot/fourier_block.hpp"
#include "knot/fourier_knot.hpp"

namespace kvor {

// |r' x r''| / max(eps, |r'|)^3 at each parameter.
std::vector<double> curvature_exact(const FourierBlock& block, const std::vector<double>& s, double eps = 1e-12);

// sum_i |r'(s_i)| ds over max(nsamples, 16) uniform samples.
double length_exact(const FourierBlock& block, int nsamples = 4096);

// sum_i kappa_i^2 g_i ds, g = max(eps, |r'|), over max(nsamples, 32) uniform samples.
double bending_energy_exact(const FourierBlock& block, int nsamples = 4096, double eps = 1e-12);

// a_x^2 + b_x^2 + a_y^2 + b_y^2 + a_z^2 + b_z^2 per harmonic (missing coefficients count 0).
std::vector<double> mode_energies(const FourierBlock& block);

// Smallest |p_i - p_j| over pairs of the closed polygon whose circular index separation
// exceeds exclude_window; 0 for fewer than 4 points or when no pair qualifies.
double min_self_distance_sampled(const std::vector<Vec3>& points, int exclude_window = 4);

// min_self_distance_sampled of max(nsamples, 64) uniform samples of the block.
double min_self_distance_exactish(const FourierBlock& block, int nsamples = 2048, int exclude_window = 4);

// Length and bending energy from M = max(4N, 512) derivative samples, self-distance and writhe
// of the polygon of N = max(nsamples, 64) samples, and the mode energies.
GeometricDescriptors describe_fourier_block(const FourierBlock& block, int nsamples = 2048, int exclude_window = 4);

// Points of one ideal component: its harmonics at each s, plus A0 and B0.
std::vector<Vec3> evaluate_ideal_component(const IdealABComponent& component, const std::vector<double>& s);

// evaluate_ideal_component of every component, in order.
std::vector<std::vector<Vec3>> evaluate_ideal_ab_components(const IdealABBlock& ab, const std::vector<double>& s);

}  // namespace kvor
