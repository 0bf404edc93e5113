#include "knot/fourier_eval.hpp"

#include <algorithm>
#include <cmath>

namespace kvor {
namespace {

inline double at(const std::vector<double>& v, std::size_t k) { return k < v.size() ? v[k] : 0.0; }

std::size_t longest(const FourierBlock& b) {
    return std::max({b.a_x.size(), b.b_x.size(), b.a_y.size(), b.b_y.size(), b.a_z.size(), b.b_z.size()});
}

}  // namespace

Vec3 evaluate_fourier_point(const FourierBlock& b, double s) {
    const std::size_t n = b.a_x.size();
    Vec3 r{0.0, 0.0, 0.0};
    for (std::size_t k = 0; k < n; ++k) {
        const double js = static_cast<double>(k + 1) * s;
        const double c = std::cos(js);
        const double sn = std::sin(js);
        r[0] += b.a_x[k] * c + at(b.b_x, k) * sn;
        r[1] += at(b.a_y, k) * c + at(b.b_y, k) * sn;
        r[2] += at(b.a_z, k) * c + at(b.b_z, k) * sn;
    }
    return r;
}

std::vector<Vec3> evaluate_fourier_block(const FourierBlock& block, const std::vector<double>& s) {
    std::vector<Vec3> out;
    out.reserve(s.size());
    for (double si : s) out.push_back(evaluate_fourier_point(block, si));
    return out;
}

std::array<Vec3, 4> evaluate_with_derivatives(const FourierBlock& b, double s) {
    const std::size_t n = longest(b);
    Vec3 r{0, 0, 0}, d1{0, 0, 0}, d2{0, 0, 0}, d3{0, 0, 0};
    for (std::size_t k = 0; k < n; ++k) {
        const double j = static_cast<double>(k + 1);
        const double c = std::cos(j * s);
        const double sn = std::sin(j * s);
        const Vec3 A{at(b.a_x, k), at(b.a_y, k), at(b.a_z, k)};
        const Vec3 B{at(b.b_x, k), at(b.b_y, k), at(b.b_z, k)};
        for (int d = 0; d < 3; ++d) {
            r[d] += A[d] * c + B[d] * sn;
            d1[d] += j * (B[d] * c - A[d] * sn);
            d2[d] += -j * j * (A[d] * c + B[d] * sn);
            d3[d] += j * j * j * (A[d] * sn - B[d] * c);
        }
    }
    return {r, d1, d2, d3};
}

}  // namespace kvor
