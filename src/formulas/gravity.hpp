#pragma once
// Gravity-model quantities: æther potentials of a cloud of vortex points, time-dilation maps of
// tangential velocities, and field-based quantities of the KVOR gravity picture.
#include <vector>

#include "common/vec3.hpp"

namespace kvor {

// Default speed scale of the dilation maps and of the swirl coupling (m/s).
inline constexpr double kSwirlSpeed = 1093845.63;
inline constexpr double kSpeedOfLight = 299792458.0;

// Φ_i = −0.5 |S_i|², S_i = Σ_{j≠i} exp(−|r_i − r_j|² / (2ε²)) ω_j.
std::vector<double> compute_gravitational_potential_gradient(const std::vector<Vec3>& positions,
                                                             const std::vector<Vec3>& vorticity, double epsilon);
// Φ_i = −1/(4π) Σ_{j≠i} ((r_i − r_j) · ω_j) / (ε² + |r_i − r_j|²)^{3/2}.
std::vector<double> compute_gravitational_potential_direct(const std::vector<Vec3>& positions,
                                                           const std::vector<Vec3>& vorticity, double epsilon);
// sqrt(1 − β²), β² = |v|² / C_e², with β² ≥ 1 replaced by 0.999999 (the factor stays ≥ 0.001).
std::vector<double> compute_time_dilation_map_sqrt(const std::vector<Vec3>& tangents, double C_e);
// 1 − |v|² / C_e², not clamped.
std::vector<double> compute_time_dilation_map_linear(const std::vector<Vec3>& tangents, double C_e);

// Field-based gravity quantities, element-wise over N samples. Guards are checked before any
// result is computed.
class KvorGravity {
public:
    KvorGravity() = delete;
    // |B × (∇ × B)|.
    static std::vector<double> compute_beltrami_shear(const std::vector<Vec3>& B_field,
                                                      const std::vector<Vec3>& Curl_B);
    // min(1, max(0, 1 − (|B| / B_sat · log10 ω)²)), log10 ω taken as 0 for ω ≤ 0.
    static std::vector<double> compute_gravity_dilation(const std::vector<Vec3>& B_field, double omega_drive,
                                                        double v_swirl, double B_saturation);
    // A · B.
    static std::vector<double> compute_helicity_density(const std::vector<Vec3>& A_field,
                                                        const std::vector<Vec3>& B_field);
    // sqrt(max(0, 1 − |v|² / c²)).
    static std::vector<double> compute_swirl_clock(const std::vector<Vec3>& v_swirl_field, double c);
    // −Λ / sqrt(r² + r_c²).
    static std::vector<double> compute_swirl_coulomb_potential(const std::vector<double>& radii, double Lambda,
                                                               double r_c);
    // −Λ r / (r² + r_c²)^{3/2}.
    static std::vector<double> compute_swirl_coulomb_force(const std::vector<double>& radii, double Lambda,
                                                           double r_c);
    // ρ_f · 0.5 · |v|².
    static std::vector<double> compute_swirl_energy_density(const std::vector<Vec3>& v_field, double rho_f);
    // c⁵ v_swirl t_p² / (2 F_max r_c²).
    static double compute_G_swirl(double v_swirl, double t_p, double F_max, double r_c, double c);
};

}  // namespace kvor
