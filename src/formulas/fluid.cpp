#include "formulas/fluid.hpp"

#include <cmath>
#include <stdexcept>
#include <string>

#include "common/constants.hpp"
#include "formulas/length_check.hpp"

namespace kvor {

std::vector<double> bernoulli_pressure_field(const std::vector<double>& speed, double rho, double p_inf) {
    std::vector<double> p(speed.size());
    for (std::size_t i = 0; i < speed.size(); ++i) p[i] = p_inf - 0.5 * rho * speed[i] * speed[i];
    return p;
}

std::vector<double> compute_velocity_magnitude(const std::vector<Vec3>& velocity) {
    std::vector<double> out(velocity.size());
    for (std::size_t i = 0; i < velocity.size(); ++i) out[i] = norm(velocity[i]);
    return out;
}

void evolve_positions_euler(std::vector<Vec3>& positions, const std::vector<Vec3>& velocity, double dt) {
    require_at_least("evolve_positions_euler", "velocity", velocity.size(), "positions", positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) positions[i] += dt * velocity[i];
}

Vec3 compute_vorticity(const Tensor3& g) {
    return {g[2][1] - g[1][2], g[0][2] - g[2][0], g[1][0] - g[0][1]};
}

double swirl_clock_rate(double dv_dx, double du_dy) { return 0.5 * (dv_dx - du_dy); }

double vorticity_from_curvature(double V, double R) { return V / R; }

double half_a_b_squared(double a, double b) { return a * 0.5 * (b * b); }

double vortex_transverse_pressure_diff(double rho, double c) { return 0.25 * rho * (c * c); }

bool kairos_energy_trigger(double rho, double omega, double Ce) {
    return half_a_b_squared(rho, omega) > half_a_b_squared(rho, Ce);
}

double compute_helicity(const std::vector<Vec3>& velocity, const std::vector<Vec3>& vorticity, double dV) {
    require_at_least("compute_helicity", "vorticity", vorticity.size(), "velocity", velocity.size());
    double h = 0.0;
    for (std::size_t i = 0; i < velocity.size(); ++i) h += dot(velocity[i], vorticity[i]);
    return dV * h;
}

double potential_vorticity(double fa, double zeta_r, double h) { return (fa + zeta_r) / h; }

bool is_incompressible(const Vec3& dudx, const Vec3& dvdy, const Vec3& dwdz) {
    return std::abs(dudx[0] + dvdy[1] + dwdz[2]) < 1e-8;
}

double circulation_surface_integral(const std::vector<Vec3>& omega_field, const std::vector<Vec3>& dA_field) {
    require_at_least("circulation_surface_integral", "dA_field", dA_field.size(), "omega_field",
                     omega_field.size());
    double s = 0.0;
    for (std::size_t i = 0; i < omega_field.size(); ++i) s += dot(omega_field[i], dA_field[i]);
    return s;
}

double enstrophy(const std::vector<double>& omega_squared, const std::vector<double>& ds_area) {
    require_at_least("enstrophy", "ds_area", ds_area.size(), "omega_squared", omega_squared.size());
    double s = 0.0;
    for (std::size_t i = 0; i < omega_squared.size(); ++i) s += omega_squared[i] * ds_area[i];
    return s;
}

std::vector<std::vector<Vec3>> pressure_gradient(const std::vector<std::vector<double>>& P, double dx, double dy) {
    const std::size_t nx = P.size();
    if (nx == 0) return {};
    const std::size_t ny = P[0].size();
    for (std::size_t i = 1; i < nx; ++i) {
        if (P[i].size() != ny) {
            throw std::invalid_argument("pressure_gradient: row " + std::to_string(i) + " has " +
                                        std::to_string(P[i].size()) + " entries, the first row has " +
                                        std::to_string(ny));
        }
    }
    std::vector<std::vector<Vec3>> G(nx, std::vector<Vec3>(ny, Vec3{0.0, 0.0, 0.0}));
    if (nx < 2 || ny < 2) return G;  // a single row or column has no gradient here

    // x-part at row i: central inside, one-sided on the first and last row.
    auto gx = [&](std::size_t i, std::size_t j) {
        if (i == 0) return -(P[1][j] - P[0][j]) / dx;
        if (i == nx - 1) return -(P[nx - 1][j] - P[nx - 2][j]) / dx;
        return -(P[i + 1][j] - P[i - 1][j]) / (2 * dx);
    };
    auto gy = [&](std::size_t i, std::size_t j) {
        if (j == 0) return -(P[i][1] - P[i][0]) / dy;
        if (j == ny - 1) return -(P[i][ny - 1] - P[i][ny - 2]) / dy;
        return -(P[i][j + 1] - P[i][j - 1]) / (2 * dy);
    };
    for (std::size_t i = 0; i < nx; ++i) {
        for (std::size_t j = 0; j < ny; ++j) G[i][j] = {gx(i, j), gy(i, j), 0.0};
    }
    return G;
}

double laplacian_phi(double d2phidx2, double d2phidy2, double d2phidz2) { return d2phidx2 + d2phidy2 + d2phidz2; }

Vec3 grad_phi(const Vec3& phi_grad) { return phi_grad; }

double bernoulli_pressure_potential(double velocity_squared, double V) { return 0.5 * velocity_squared - V; }

double compute_kinetic_energy(const std::vector<Vec3>& velocity, double rho_ae) {
    double s = 0.0;
    for (const Vec3& v : velocity) s += dot(v, v);
    return 0.5 * rho_ae * s;
}

double rossby_number(double U, double omega, double d) { return U / (2 * omega * d); }

double ekman_number(double nu, double omega, double H) { return nu / (omega * (H * H)); }

double cylinder_mass(double rho, double R, double H) { return rho * kPi * (R * R) * H; }

double torque(double inertia, double alpha) { return inertia * alpha; }

}  // namespace kvor
