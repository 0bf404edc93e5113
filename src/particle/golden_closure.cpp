#include "particle/golden_closure.hpp"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <stdexcept>

namespace kvor {

namespace {

constexpr double kGamma2 = 9.379050870249998e-17;  // circulation squared, m^4/s^2
constexpr double kPhi = 1.618033988749895;
constexpr double kCoreRadius = 1.40897017e-15;     // m
constexpr double kC2 = 8.987551787368176e16;       // m^2/s^2
constexpr double kTwoC2 = 1.7975103574736352e17;

// One line on the process's standard error (unit-buffered, so it is out at once).
void warn(const char* text) { std::cerr << text << '\n'; }

}  // namespace

double GoldenNLSClosure::get_active_density() const {
    switch (regime) {
        case DensityRegime::EFFECTIVE_FLUID: return 7e-7;
        case DensityRegime::CORE_DOMINATED: return 3.8934358266918687e18;
    }
    throw std::runtime_error("Unknown density regime selected.");
}

double GoldenNLSClosure::mass_scale() const {
    return ((get_active_density() * kGamma2) / kTwoC2) * kCoreRadius;
}

double GoldenNLSClosure::calculate_loop_energy(double R) const {
    const double rho = get_active_density();
    return (std::log((R * 8.0) / kCoreRadius) - kPhi) * (((rho * 0.5) * kGamma2) * R);
}

double GoldenNLSClosure::calculate_loop_mass(double R) const { return calculate_loop_energy(R) / kC2; }

double GoldenNLSClosure::calculate_screened_mass(double bare_mass, int double_k) const {
    return std::pow(kPhi, -static_cast<double>(double_k)) * bare_mass;
}

double GoldenNLSClosure::geometric_ratio_residual(double x, double target_mass) const {
    if (x <= 0.0) throw std::domain_error("geometric_ratio_residual: x must be > 0.");
    if (regime != DensityRegime::CORE_DOMINATED)
        warn("Warning: geometric ratio residual evaluated outside CORE_DOMINATED regime.");
    const double C = target_mass / mass_scale();
    return (std::log(x * 8.0) - kPhi) * x - C;
}

double GoldenNLSClosure::infer_geometric_ratio(double target_mass, double tolerance, int max_iter) const {
    if (regime != DensityRegime::CORE_DOMINATED)
        warn("Warning: Inferring fundamental mass geometric ratio outside of CORE_DOMINATED regime.");
    const double C = target_mass / mass_scale();
    double x = 1.0;
    for (int it = 0; it < max_iter; ++it) {
        const double L = std::log(x * 8.0);
        const double step = ((L - kPhi) * x - C) / ((L + 1.0) - kPhi);
        x = x - step;
        if (std::fabs(step) < tolerance) return x;
    }
    throw std::runtime_error("Newton-Raphson failed to converge for geometric ratio.");
}

double GoldenNLSClosure::infer_geometric_ratio_safe(double target_mass, double x0, double x_min, double x_max,
                                                    double x_tol, double f_tol, int max_iter) const {
    if (x_min <= 0.0 || x_max <= 0.0 || x_max <= x_min)
        throw std::invalid_argument("infer_geometric_ratio_safe: require 0 < x_min < x_max.");
    double x = x0 > x_max ? x_max : (x0 < x_min ? x_min : x0);
    auto residual = [&](double v) { return geometric_ratio_residual(v, target_mass); };

    for (int it = 0; it < max_iter && x > 0.0; ++it) {
        const double r = residual(x);
        if (std::fabs(r) < f_tol) return x;
        const double d = std::log(x * 8.0) + 1.0 - kPhi;
        if (!std::isfinite(d) || std::fabs(d) < 1e-14) break;
        const double step = r / d;
        const double x_new = x - step;
        if (!std::isfinite(x_new) || x_new <= x_min || x_new >= x_max) break;
        x = x_new;
        if (std::fabs(step) < x_tol && std::fabs(residual(x)) < f_tol) return x;
    }

    double lo = x_min, hi = x_max;
    double f_lo = residual(lo);
    double f_hi = residual(hi);
    if (!std::isfinite(f_lo) || !std::isfinite(f_hi))
        throw std::runtime_error("infer_geometric_ratio_safe: non-finite residual at bracket endpoints.");
    if (f_lo * f_hi > 0.0) {
        bool bracketed = false;
        for (int w = 0; w < 12; ++w) {
            lo = std::max(lo * 0.5, 1e-12);
            hi = hi * 2.0;
            f_lo = residual(lo);
            f_hi = residual(hi);
            if (std::isfinite(f_lo) && std::isfinite(f_hi) && f_lo * f_hi <= 0.0) {
                bracketed = true;
                break;
            }
        }
        if (!bracketed)
            throw std::runtime_error("infer_geometric_ratio_safe: could not bracket root for bisection fallback.");
    }

    for (long long it = 0; it < 4LL * max_iter; ++it) {
        const double mid = (hi + lo) * 0.5;
        const double f_mid = residual(mid);
        if (!std::isfinite(f_mid))
            throw std::runtime_error("infer_geometric_ratio_safe: non-finite residual during bisection.");
        if (std::fabs(f_mid) < f_tol || (hi - lo) * 0.5 < x_tol) return mid;
        if (f_mid * f_lo <= 0.0) {
            hi = mid;
        } else {
            lo = mid;
            f_lo = f_mid;
        }
    }
    throw std::runtime_error("infer_geometric_ratio_safe: failed to converge.");
}

double GoldenNLSClosure::infer_effective_base(double ratio, int exponent_n) {
    if (ratio <= 0.0) throw std::domain_error("infer_effective_base: ratio must be > 0.");
    if (exponent_n <= 0) throw std::invalid_argument("infer_effective_base: exponent_n must be positive.");
    return std::pow(ratio, 1.0 / exponent_n);
}

double GoldenNLSClosure::predicted_ratio_from_base(double base, int exponent_n) {
    if (base <= 0.0) throw std::domain_error("predicted_ratio_from_base: base must be > 0.");
    return std::pow(base, static_cast<double>(exponent_n));
}

double GoldenNLSClosure::relative_error(double predicted, double observed) {
    if (observed == 0.0) throw std::domain_error("relative_error: observed must be nonzero.");
    return std::fabs(predicted - observed) / std::fabs(observed);
}

}  // namespace kvor
