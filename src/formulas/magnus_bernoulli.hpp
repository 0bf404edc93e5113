#pragma once
// Per-segment forces of the KVOR vortex model: the transverse Magnus–curvature force on a
// vortex segment and the Swirl–Coulomb radial acceleration between two points.
#include "common/vec3.hpp"

class MagnusBernoulliIntegrator {
public:
    MagnusBernoulliIntegrator(double rho_f, double v_swirl, double r_c, double Gamma);

    // ρ_f Γ (t × (v_knot − v_bg) + n / R); the curvature term is dropped for R ≤ 1e-30.
    kvor::Vec3 compute_magnus_force(const kvor::Vec3& tangent, const kvor::Vec3& normal, double curvature_radius,
                                    const kvor::Vec3& v_knot, const kvor::Vec3& v_bg) const;
    // −(v_swirl² / r) exp(−2r / r_c) along e − s, i.e. towards the source.
    kvor::Vec3 compute_swirl_coulomb_accel(const kvor::Vec3& eval_pos, const kvor::Vec3& source_pos) const;

private:
    double rho_f_;
    double v_swirl_;
    double r_c_;
    double Gamma_;
};
