#pragma once
// Golden NLS closure: thin vortex loop energy E(R) = (1/2) rho Gamma^2 R (ln(8R/r_c) - phi)
// in a chosen density regime, its mass equivalent, golden screening, and the inversion of the
// mass relation for the geometric ratio x = R / r_c.
#include <cstdint>

namespace kvor {

enum class DensityRegime : std::int32_t { EFFECTIVE_FLUID = 0, CORE_DOMINATED = 1 };

class GoldenNLSClosure {
public:
    DensityRegime regime;

    explicit GoldenNLSClosure(DensityRegime r = DensityRegime::CORE_DOMINATED) : regime(r) {}

    void set_regime(DensityRegime r) { regime = r; }
    double get_active_density() const;
    double calculate_loop_energy(double R) const;
    double calculate_loop_mass(double R) const;
    double calculate_screened_mass(double bare_mass, int double_k) const;

    // Plain Newton-Raphson from x = 1.
    double infer_geometric_ratio(double target_mass = 9.10938356e-31, double tolerance = 1e-12,
                                 int max_iter = 100) const;
    // Newton steps kept inside [x_min, x_max], then bisection on a (widened) bracket.
    double infer_geometric_ratio_safe(double target_mass = 9.10938356e-31, double x0 = 1.0,
                                      double x_min = 1e-6, double x_max = 10.0, double x_tol = 1e-12,
                                      double f_tol = 1e-12, int max_iter = 100) const;
    // (ln 8x - phi) x - target_mass / S, S the mass scale of the regime.
    double geometric_ratio_residual(double x, double target_mass = 9.10938356e-31) const;

    static double infer_effective_base(double ratio, int exponent_n);
    static double predicted_ratio_from_base(double base, int exponent_n);
    static double relative_error(double predicted, double observed);

private:
    double mass_scale() const;
};

}  // namespace kvor
