#pragma once
// Discrete Frenet frames, curvature and torsion per sample index (unit parameter spacing; the
// two end samples copy their neighbours), a single-precision mean helicity, and the one-step
// position update used by the filament integrators.
#include <tuple>
#include <utility>
#include <vector>

#include "common/vec3.hpp"

namespace kvor {

// T_i = normalised central difference, N_i = normalised second difference (not
// re-orthogonalised), B_i = T_i x N_i for interior i; ends copy their neighbours.
// Fewer than two points give empty lists; two points give zero vectors.
std::tuple<std::vector<Vec3>, std::vector<Vec3>, std::vector<Vec3>> compute_frenet_frames(
    const std::vector<Vec3>& points);

// The same, written into caller lists (each resized to len(points)).
void compute_frenet_frames(const std::vector<Vec3>& points, std::vector<Vec3>& T, std::vector<Vec3>& N,
                           std::vector<Vec3>& B);

// kappa_i = |T_{i+1} - T_{i-1}| / 2, tau_i = (T_i x N_i) . (N_{i+1} - N_{i-1}) / 2; ends copied.
// Fewer than two entries give empty lists.
std::pair<std::vector<double>, std::vector<double>> compute_curvature_torsion(const std::vector<Vec3>& T,
                                                                              const std::vector<Vec3>& N);

// Mean of v_i . w_i: each dot product in double, the running sum and the mean in float.
float compute_helicity(const std::vector<Vec3>& v, const std::vector<Vec3>& w);

// One explicit step q_i = p_i + (dt*factor) u_i.
std::vector<Vec3> rk4_integrate(const std::vector<Vec3>& positions, const std::vector<Vec3>& velocities, double dt,
                                double factor);
std::vector<Vec3> evolve_vortex_knot(const std::vector<Vec3>& positions, const std::vector<Vec3>& velocities,
                                     double dt, double factor);

}  // namespace kvor
