#pragma once
// Planar vorticity formulas and the right-hand sides of the rotating-frame momentum equation,
// Crocco's relation, the baroclinic torque and vorticity transport.
#include <vector>

#include "common/vec3.hpp"
#include "formulas/fluid.hpp"

namespace kvor {

// dv/dx − du/dy (also the local circulation density).
double vorticity_z_2D(double dv_dx, double du_dy);
double solid_body_rotation_vorticity(double omega);
double couette_vorticity(double alpha);
// ∇p / ρ; the vorticity takes no part.
Vec3 crocco_relation(const Vec3& vorticity, double rho, const Vec3& pressure_gradient);
// Central differences of the flat fields u, v (value at column i, row j at j·nx + i) at the
// interior nodes; boundary nodes and grids with nx or ny ≤ 2 stay 0.
std::vector<double> compute_vorticity(const std::vector<double>& u, const std::vector<double>& v, int nx, int ny,
                                      double dx, double dy);
// −2 Ω × v − ∇φ − ∇p / ρ; the vorticity takes no part.
Vec3 rotating_frame_rhs(const Vec3& velocity, const Vec3& vorticity, const Vec3& grad_phi, const Vec3& grad_p,
                        const Vec3& omega, double rho);
// ρ (ω × v) + ∇φ + ∇p / ρ.
Vec3 crocco_gradient(const Vec3& velocity, const Vec3& vorticity, const Vec3& grad_phi, const Vec3& grad_p,
                     double rho);
// (∇ρ × ∇p) / ρ².
Vec3 baroclinic_term(const Vec3& grad_rho, const Vec3& grad_p, double rho);
// (grad_u · ω) − div_u ω + (∇ρ × ∇p) / ρ².
Vec3 compute_vorticity_rhs(const Vec3& omega, const Tensor3& grad_u, double div_u, const Vec3& grad_rho,
                           const Vec3& grad_p, double rho);

}  // namespace kvor
