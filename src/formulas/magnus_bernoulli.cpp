#include "formulas/magnus_bernoulli.hpp"

#include <cmath>

using kvor::Vec3;

MagnusBernoulliIntegrator::MagnusBernoulliIntegrator(double rho_f, double v_swirl, double r_c, double Gamma)
    : rho_f_(rho_f), v_swirl_(v_swirl), r_c_(r_c), Gamma_(Gamma) {}

Vec3 MagnusBernoulliIntegrator::compute_magnus_force(const Vec3& tangent, const Vec3& normal,
                                                     double curvature_radius, const Vec3& v_knot,
                                                     const Vec3& v_bg) const {
    const Vec3 dv = kvor::operator-(v_knot, v_bg);
    const Vec3 k = curvature_radius > 1e-30 ? kvor::operator/(normal, curvature_radius) : Vec3{0.0, 0.0, 0.0};
    const Vec3 t = kvor::cross(tangent, dv);
    const double s = rho_f_ * Gamma_;
    return {s * (t[0] + k[0]), s * (t[1] + k[1]), s * (t[2] + k[2])};
}

Vec3 MagnusBernoulliIntegrator::compute_swirl_coulomb_accel(const Vec3& eval_pos, const Vec3& source_pos) const {
    const Vec3 d = kvor::operator-(eval_pos, source_pos);
    const double r = kvor::norm(d);
    if (r < 1e-30) return {0.0, 0.0, 0.0};
    const double x = -2.0 * r / r_c_;
    if (x < -700.0) return {0.0, 0.0, 0.0};  // exp would underflow
    const double a = -(v_swirl_ * v_swirl_ / r) * std::exp(x);
    return {a * d[0] / r, a * d[1] / r, a * d[2] / r};
}
