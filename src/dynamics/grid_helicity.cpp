#include "dynamics/grid_helicity.hpp"

#include <vector>

#include "common/checked.hpp"
#include "knot/fourier_eval.hpp"
#include "knot/knot_loading.hpp"

namespace kvor {

HelicityInvariants compute_helicity_from_fourier_block(const FourierBlock& block, int grid_size, double spacing,
                                                       int interior_margin, int nsamples) {
    const std::size_t ns = checked_count(nsamples);
    const long long g = grid_size;
    const std::size_t nodes = checked_count(g > 2000000 || g < -2000000 ? -1 : g * g * g);

    std::vector<double> s(ns);
    const double denom = static_cast<double>(nsamples - 1);
    for (std::size_t i = 0; i < ns; ++i) s[i] = static_cast<double>(i) * 6.283185307179586 / denom;
    const std::vector<Vec3> curve = center_points(evaluate_fourier_block(block, s));

    const int c0 = grid_size / -2;
    std::vector<Vec3> grid;
    grid.reserve(nodes);
    for (int i = 0; i < grid_size; ++i)
        for (int j = 0; j < grid_size; ++j)
            for (int k = 0; k < grid_size; ++k)
                grid.push_back({(c0 + i) * spacing, (c0 + j) * spacing, (c0 + k) * spacing});

    const std::array<int, 3> shape{grid_size, grid_size, grid_size};
    const std::vector<Vec3> v = BiotSavart::compute_velocity(curve, grid, 1.0);
    const std::vector<Vec3> w = BiotSavart::compute_vorticity(v, shape, spacing);
    const std::vector<Vec3> v_sub = BiotSavart::extract_interior(v, shape, interior_margin);
    const std::vector<Vec3> w_sub = BiotSavart::extract_interior(w, shape, interior_margin);

    std::vector<double> r_sq;
    r_sq.reserve(v_sub.size());
    for (int u = interior_margin; u < grid_size - interior_margin; ++u)
        for (int q = interior_margin; q < grid_size - interior_margin; ++q)
            for (int t = interior_margin; t < grid_size - interior_margin; ++t) {
                const double x = (c0 + u) * spacing, y = (c0 + q) * spacing, z = (c0 + t) * spacing;
                r_sq.push_back(z * z + (y * y + x * x));
            }
    return BiotSavart::compute_invariants(v_sub, w_sub, r_sq);
}

}  // namespace kvor
