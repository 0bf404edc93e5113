#pragma once
// Closed-form fluid formulas: Bernoulli pressure, vorticity and helicity of sampled fields,
// enstrophy, dimensionless numbers and rigid-cylinder mechanics.
#include <array>
#include <vector>

#include "common/vec3.hpp"

namespace kvor {

// grad[i][j] = ∂v_i/∂x_j.
using Tensor3 = std::array<Vec3, 3>;

// p_i = p_inf − 0.5 ρ v_i² for each speed v_i.
std::vector<double> bernoulli_pressure_field(const std::vector<double>& speed, double rho, double p_inf);
std::vector<double> compute_velocity_magnitude(const std::vector<Vec3>& velocity);
// positions_i += dt · velocity_i, in place.
void evolve_positions_euler(std::vector<Vec3>& positions, const std::vector<Vec3>& velocity, double dt);
// ω = ∇ × v from the velocity-gradient tensor.
Vec3 compute_vorticity(const Tensor3& grad);
double swirl_clock_rate(double dv_dx, double du_dy);
double vorticity_from_curvature(double V, double R);
// a · 0.5 · b²: vortex-core pressure drop, swirl energy density, cylinder inertia.
double half_a_b_squared(double a, double b);
double vortex_transverse_pressure_diff(double rho, double c);
bool kairos_energy_trigger(double rho, double omega, double Ce);
// dV · Σ v_i · ω_i.
double compute_helicity(const std::vector<Vec3>& velocity, const std::vector<Vec3>& vorticity, double dV);
double potential_vorticity(double fa, double zeta_r, double h);
// Only the diagonal of the gradient rows is used.
bool is_incompressible(const Vec3& dudx, const Vec3& dvdy, const Vec3& dwdz);
double circulation_surface_integral(const std::vector<Vec3>& omega_field, const std::vector<Vec3>& dA_field);
double enstrophy(const std::vector<double>& omega_squared, const std::vector<double>& ds_area);
// G = −∇P on a 2-D field P[i][j] (i along x), central inside, one-sided on the edges.
std::vector<std::vector<Vec3>> pressure_gradient(const std::vector<std::vector<double>>& P, double dx, double dy);
double laplacian_phi(double d2phidx2, double d2phidy2, double d2phidz2);
Vec3 grad_phi(const Vec3& phi_grad);
double bernoulli_pressure_potential(double velocity_squared, double V);
double compute_kinetic_energy(const std::vector<Vec3>& velocity, double rho_ae);
double rossby_number(double U, double omega, double d);
double ekman_number(double nu, double omega, double H);
double cylinder_mass(double rho, double R, double H);
double torque(double inertia, double alpha);

}  // namespace kvor
