#include "formulas/vorticity_2d.hpp"

#include "common/checked.hpp"
#include "formulas/length_check.hpp"

namespace kvor {

double vorticity_z_2D(double dv_dx, double du_dy) { return dv_dx - du_dy; }

double solid_body_rotation_vorticity(double omega) { return 2 * omega; }

double couette_vorticity(double alpha) { return -alpha; }

Vec3 crocco_relation(const Vec3& /*vorticity*/, double rho, const Vec3& pressure_gradient) {
    return pressure_gradient / rho;
}

std::vector<double> compute_vorticity(const std::vector<double>& u, const std::vector<double>& v, int nx, int ny,
                                      double dx, double dy) {
    const std::size_t n = checked_count(static_cast<long long>(nx) * static_cast<long long>(ny));
    require_at_least("compute_vorticity", "u", u.size(), "nx*ny grid nodes", n);
    require_at_least("compute_vorticity", "v", v.size(), "nx*ny grid nodes", n);
    std::vector<double> w(n, 0.0);
    if (nx <= 2 || ny <= 2) return w;
    const std::size_t sx = static_cast<std::size_t>(nx);
    for (std::size_t j = 1; j + 1 < static_cast<std::size_t>(ny); ++j) {
        for (std::size_t i = 1; i + 1 < sx; ++i) {
            const std::size_t k = j * sx + i;
            w[k] = (v[k + 1] - v[k - 1]) / (2 * dx) - (u[k + sx] - u[k - sx]) / (2 * dy);
        }
    }
    return w;
}

Vec3 rotating_frame_rhs(const Vec3& velocity, const Vec3& /*vorticity*/, const Vec3& grad_phi, const Vec3& grad_p,
                        const Vec3& omega, double rho) {
    return -2.0 * cross(omega, velocity) - grad_phi - grad_p / rho;
}

Vec3 crocco_gradient(const Vec3& velocity, const Vec3& vorticity, const Vec3& grad_phi, const Vec3& grad_p,
                     double rho) {
    return rho * cross(vorticity, velocity) + grad_phi + grad_p / rho;
}

Vec3 baroclinic_term(const Vec3& grad_rho, const Vec3& grad_p, double rho) {
    return cross(grad_rho, grad_p) / (rho * rho);
}

Vec3 compute_vorticity_rhs(const Vec3& omega, const Tensor3& grad_u, double div_u, const Vec3& grad_rho,
                           const Vec3& grad_p, double rho) {
    const Vec3 stretch = {dot(grad_u[0], omega), dot(grad_u[1], omega), dot(grad_u[2], omega)};
    return stretch - div_u * omega + baroclinic_term(grad_rho, grad_p, rho);
}

}  // namespace kvor
