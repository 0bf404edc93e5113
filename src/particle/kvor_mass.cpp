#include "particle/kvor_mass.hpp"

#include <cmath>

namespace kvor {

std::pair<double, double> compute_kvor_mass(const std::vector<Vec3>& points, double chi_spin) {
    constexpr double kCoreMassPerMetre = 2.4282113828462446e-11;  // rho_core * pi r_c^2, kg/m
    constexpr double kCoreRadius2 = 1.985196939949829e-30;       // r_c^2, m^2
    constexpr double kPrefactor = 2.5520118267065337e-24;        // J/m
    constexpr double kC2 = 8.987551787368176e16;

    const std::size_t n = points.size();
    std::vector<Vec3> dl(n);
    for (std::size_t i = 0; i < n; ++i) dl[i] = points[(i + 1) % n] - points[i];

    double L = 0.0;
    for (std::size_t i = 0; i < n; ++i) L += norm(dl[i]);
    const double m_core = L * kCoreMassPerMetre;

    // Distances between segment start points; the diagonal is regularised by r_c.
    double total = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        double row = 0.0;
        for (std::size_t j = 0; j < n; ++j) {
            const Vec3 d = points[i] - points[j];
            row += dot(dl[i], dl[j]) / std::sqrt(dot(d, d) + kCoreRadius2);
        }
        total += row;
    }
    const double m_fluid = ((chi_spin * chi_spin) * kPrefactor * total) / kC2;
    return {m_core, m_fluid};
}

}  // namespace kvor
