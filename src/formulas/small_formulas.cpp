#include "formulas/small_formulas.hpp"

#include <cmath>

#include "common/checked.hpp"
#include "common/constants.hpp"

namespace kvor {

double potential_temperature(double T, double p0, double p, double R, double cp) {
    return T * std::pow(p0 / p, R / cp);
}

double entropy_from_theta(double cp, double theta, double dtheta) { return cp * dtheta / theta; }

double entropy_from_pv(double N, double R, double p, double V, double gamma) {
    return (std::log(p) + std::log(V)) * (N * R / (gamma - 1.0));
}

double enthalpy(double internal_energy, double p, double V) { return internal_energy + p * V; }

std::vector<std::array<float, 2>> compute_swirl_field(int res, float time) {
    if (res <= 0) return {};
    const std::size_t n = static_cast<std::size_t>(res);
    std::vector<std::array<float, 2>> field(checked_count(static_cast<long long>(res) * res), {0.0f, 0.0f});
    const float fn = static_cast<float>(res);
    for (std::size_t i = 0; i < n; ++i) {
        const float x = static_cast<float>(i) / fn - 0.5f;
        for (std::size_t j = 0; j < n; ++j) {
            const float y = static_cast<float>(j) / fn - 0.5f;
            const float d = x * x + y * y + 1e-5f;
            const float r = std::sqrt(d);
            const float m = 1.0f + 0.03f * std::sin(10.0f * r - 6.0f * time);
            const float fx = (-0.1f * x / d - 0.25f * y / r) * m;
            const float fy = (0.25f * x / r - 0.1f * y / d) * m;
            field[i * n + j] = {fx, fy};
        }
    }
    return field;
}

double radiation_force(double a0, double a1, double a2, double a3, double a4) {
    const double q = a2 / a4;
    return (a3 / a4) * q * (2.0 * a0 / 3e8 * a1) / (1.0 - q * q);
}

double van_der_pol_dx(double /*x*/, double y) { return y; }

double van_der_pol_dy(double x, double y, double mu) { return (1.0 - x * x) * mu * y - x; }

double lamb_oseen_velocity(double Gamma, double r, double nu, double t) {
    return (Gamma / (kTwoPi * r)) * (1.0 - std::exp(-(r * r) / (4.0 * nu * t)));
}

double lamb_oseen_vorticity(double Gamma, double r, double nu, double t) {
    return (Gamma / (kFourPi * nu * t)) * std::exp(-(r * r) / (4.0 * nu * t));
}

double hill_streamfunction(double a0, double a1, double a2, double a3) {
    const double s = a1 * a1 + a2 * a2;
    return a3 * a3 > s ? a0 * a1 * (a3 * a3 - s) : 0.0;
}

double hill_vorticity(double a0, double a1, double a2, double a3) {
    const double s = a1 * a1 + a2 * a2;
    return a3 * a3 > s ? (4.0 * a2 * a2 + a1 * a1 - a3 * a3) * a0 : 0.0;
}

double hill_circulation(double a0, double a1) { return kTwoPi * a0 * (a1 * a1 * a1) / 3.0; }

double hill_velocity(double a0, double a1) { return a0 / (5.0 * a1); }

}  // namespace kvor
