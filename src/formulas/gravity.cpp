#include "formulas/gravity.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "common/constants.hpp"
#include "formulas/length_check.hpp"
#include "dynamics/simd_clones.hpp"
#include "formulas/vector_exp.hpp"

namespace kvor {

namespace {

// Coordinates of a point list as three separate arrays.
struct Columns {
    std::vector<double> x, y, z;
    Columns(const std::vector<Vec3>& p, std::size_t n) : x(n), y(n), z(n) {
        for (std::size_t i = 0; i < n; ++i) {
            x[i] = p[i][0];
            y[i] = p[i][1];
            z[i] = p[i][2];
        }
    }
};

// The pair loops run with j outside and i inside: every S_i still sums its terms in order
// of j, and the inner loop over i is independent per lane. The term i = j is skipped by
// splitting the range.

KVOR_SIMD_CLONES
void add_gaussian_source(const double* __restrict x, const double* __restrict y, const double* __restrict z,
                         std::size_t i0, std::size_t i1, double xj, double yj, double zj, double wx, double wy,
                         double wz, double two_e2, double* __restrict sx, double* __restrict sy,
                         double* __restrict sz) {
    for (std::size_t i = i0; i < i1; ++i) {
        const double dx = x[i] - xj, dy = y[i] - yj, dz = z[i] - zj;
        const double g = exp_vectorisable(-(dx * dx + dy * dy + dz * dz) / two_e2);
        sx[i] += g * wx;
        sy[i] += g * wy;
        sz[i] += g * wz;
    }
}

KVOR_SIMD_CLONES
void add_softened_source(const double* __restrict x, const double* __restrict y, const double* __restrict z,
                         std::size_t i0, std::size_t i1, double xj, double yj, double zj, double wx, double wy,
                         double wz, double eps2, double* __restrict s) {
    for (std::size_t i = i0; i < i1; ++i) {
        const double dx = x[i] - xj, dy = y[i] - yj, dz = z[i] - zj;
        const double q = eps2 + (dx * dx + dy * dy + dz * dz);
        s[i] += (dx * wx + dy * wy + dz * wz) / (q * std::sqrt(q));
    }
}

}  // namespace

std::vector<double> compute_gravitational_potential_gradient(const std::vector<Vec3>& positions,
                                                             const std::vector<Vec3>& vorticity, double epsilon) {
    const std::size_t n = positions.size();
    require_at_least("compute_gravitational_potential", "vorticity", vorticity.size(), "positions", n);
    const Columns p(positions, n);
    const double two_e2 = 2.0 * epsilon * epsilon;
    std::vector<double> sx(n, 0.0), sy(n, 0.0), sz(n, 0.0);
    for (std::size_t j = 0; j < n; ++j) {
        const Vec3& w = vorticity[j];
        add_gaussian_source(p.x.data(), p.y.data(), p.z.data(), 0, j, p.x[j], p.y[j], p.z[j], w[0], w[1], w[2],
                            two_e2, sx.data(), sy.data(), sz.data());
        add_gaussian_source(p.x.data(), p.y.data(), p.z.data(), j + 1, n, p.x[j], p.y[j], p.z[j], w[0], w[1],
                            w[2], two_e2, sx.data(), sy.data(), sz.data());
    }
    std::vector<double> phi(n);
    for (std::size_t i = 0; i < n; ++i) phi[i] = -0.5 * (sx[i] * sx[i] + sy[i] * sy[i] + sz[i] * sz[i]);
    return phi;
}

std::vector<double> compute_gravitational_potential_direct(const std::vector<Vec3>& positions,
                                                           const std::vector<Vec3>& vorticity, double epsilon) {
    const std::size_t n = positions.size();
    require_at_least("compute_gravitational_potential_direct", "vorticity", vorticity.size(), "positions", n);
    const Columns p(positions, n);
    const double eps2 = epsilon * epsilon;
    std::vector<double> s(n, 0.0);
    for (std::size_t j = 0; j < n; ++j) {
        const Vec3& w = vorticity[j];
        add_softened_source(p.x.data(), p.y.data(), p.z.data(), 0, j, p.x[j], p.y[j], p.z[j], w[0], w[1], w[2],
                            eps2, s.data());
        add_softened_source(p.x.data(), p.y.data(), p.z.data(), j + 1, n, p.x[j], p.y[j], p.z[j], w[0], w[1],
                            w[2], eps2, s.data());
    }
    for (double& v : s) v = -kInvFourPi * v;
    return s;
}

std::vector<double> compute_time_dilation_map_sqrt(const std::vector<Vec3>& tangents, double C_e) {
    std::vector<double> out(tangents.size());
    for (std::size_t i = 0; i < tangents.size(); ++i) {
        double b = dot(tangents[i], tangents[i]) / (C_e * C_e);
        if (b >= 1.0) b = 0.999999;
        out[i] = std::sqrt(1.0 - b);
    }
    return out;
}

std::vector<double> compute_time_dilation_map_linear(const std::vector<Vec3>& tangents, double C_e) {
    std::vector<double> out(tangents.size());
    for (std::size_t i = 0; i < tangents.size(); ++i) out[i] = 1.0 - dot(tangents[i], tangents[i]) / (C_e * C_e);
    return out;
}

std::vector<double> KvorGravity::compute_beltrami_shear(const std::vector<Vec3>& B_field,
                                                        const std::vector<Vec3>& Curl_B) {
    if (B_field.size() != Curl_B.size()) throw std::invalid_argument("B_field and Curl_B must have the same size.");
    std::vector<double> out(B_field.size());
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = norm(cross(B_field[i], Curl_B[i]));
    return out;
}

std::vector<double> KvorGravity::compute_gravity_dilation(const std::vector<Vec3>& B_field, double omega_drive,
                                                          double /*v_swirl*/, double B_saturation) {
    if (B_saturation <= 0.0) throw std::invalid_argument("B_saturation must be positive.");
    const double L = omega_drive > 0.0 ? std::log10(omega_drive) : 0.0;
    std::vector<double> out(B_field.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double q = norm(B_field[i]) / B_saturation * L;
        out[i] = std::min(1.0, std::max(0.0, 1.0 - q * q));
    }
    return out;
}

std::vector<double> KvorGravity::compute_helicity_density(const std::vector<Vec3>& A_field,
                                                          const std::vector<Vec3>& B_field) {
    if (A_field.size() != B_field.size()) throw std::invalid_argument("A_field and B_field must have the same size.");
    std::vector<double> out(A_field.size());
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = dot(A_field[i], B_field[i]);
    return out;
}

std::vector<double> KvorGravity::compute_swirl_clock(const std::vector<Vec3>& v_swirl_field, double c) {
    std::vector<double> out(v_swirl_field.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = std::sqrt(std::max(0.0, 1.0 - dot(v_swirl_field[i], v_swirl_field[i]) / (c * c)));
    }
    return out;
}

std::vector<double> KvorGravity::compute_swirl_coulomb_potential(const std::vector<double>& radii, double Lambda,
                                                                 double r_c) {
    if (r_c <= 0.0) throw std::invalid_argument("r_c must be positive.");
    std::vector<double> out(radii.size());
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = -Lambda / std::sqrt(radii[i] * radii[i] + r_c * r_c);
    return out;
}

std::vector<double> KvorGravity::compute_swirl_coulomb_force(const std::vector<double>& radii, double Lambda,
                                                             double r_c) {
    if (r_c <= 0.0) throw std::invalid_argument("r_c must be positive.");
    std::vector<double> out(radii.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double q = radii[i] * radii[i] + r_c * r_c;
        out[i] = -Lambda * radii[i] / (q * std::sqrt(q));
    }
    return out;
}

std::vector<double> KvorGravity::compute_swirl_energy_density(const std::vector<Vec3>& v_field, double rho_f) {
    std::vector<double> out(v_field.size());
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = rho_f * 0.5 * dot(v_field[i], v_field[i]);
    return out;
}

double KvorGravity::compute_G_swirl(double v_swirl, double t_p, double F_max, double r_c, double c) {
    if (F_max <= 0.0 || r_c <= 0.0) throw std::invalid_argument("F_max and r_c must be positive.");
    const double c5 = c * c * c * c * c;
    return c5 * v_swirl * (t_p * t_p) / (2.0 * F_max * (r_c * r_c));
}

}  // namespace kvor
