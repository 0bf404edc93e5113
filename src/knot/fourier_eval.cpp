#include "knot/fourier_eval.hpp"

#include <algorithm>
#include <cmath>

#include "common/constants.hpp"

namespace kvor {
namespace {

// Coefficients padded with zeros to a common harmonic count.
struct Coeffs {
    std::size_t n = 0;
    std::vector<double> ax, bx, ay, by, az, bz;
};

Coeffs padded(const FourierBlock& b, std::size_t n) {
    auto pad = [n](const std::vector<double>& v) {
        std::vector<double> out(n, 0.0);
        std::copy_n(v.begin(), std::min(n, v.size()), out.begin());
        return out;
    };
    return {n, pad(b.a_x), pad(b.b_x), pad(b.a_y), pad(b.b_y), pad(b.a_z), pad(b.b_z)};
}

std::size_t longest(const FourierBlock& b) {
    return std::max({b.a_x.size(), b.b_x.size(), b.a_y.size(), b.b_y.size(), b.a_z.size(), b.b_z.size()});
}

constexpr std::size_t kChunk = 64;

// Sums of order 0..Order for the parameters s[0..cnt), cnt <= kChunk; acc[d][c][i] is
// component c of derivative d at parameter i.
template <int Order>
void eval_chunk(const Coeffs& C, const double* s, std::size_t cnt, double (&acc)[Order + 1][3][kChunk]) {
    double c[kChunk], sn[kChunk], c1[kChunk], s1[kChunk];
    for (int d = 0; d <= Order; ++d)
        for (int q = 0; q < 3; ++q)
            for (std::size_t i = 0; i < cnt; ++i) acc[d][q][i] = 0.0;
    for (std::size_t i = 0; i < cnt; ++i) {
        c1[i] = std::cos(s[i]);
        s1[i] = std::sin(s[i]);
        c[i] = c1[i];
        sn[i] = s1[i];
    }
    const double* A[3] = {C.ax.data(), C.ay.data(), C.az.data()};
    const double* B[3] = {C.bx.data(), C.by.data(), C.bz.data()};
    for (std::size_t k = 0; k < C.n; ++k) {
        if (k > 0) {
            // cos((j+1)s), sin((j+1)s) from cos(js), sin(js) and cos(s), sin(s)
            for (std::size_t i = 0; i < cnt; ++i) {
                const double cn = c[i] * c1[i] - sn[i] * s1[i];
                sn[i] = sn[i] * c1[i] + c[i] * s1[i];
                c[i] = cn;
            }
        }
        const double j = static_cast<double>(k + 1);
        const double j2 = j * j;
        const double j3 = j2 * j;
        for (int q = 0; q < 3; ++q) {
            const double a = A[q][k];
            const double b = B[q][k];
            double* r = acc[0][q];
            if constexpr (Order == 0) {
                for (std::size_t i = 0; i < cnt; ++i) r[i] += a * c[i] + b * sn[i];
            } else {
                double* r1 = acc[1][q];
                double* r2 = acc[2][q];
                for (std::size_t i = 0; i < cnt; ++i) {
                    const double pos = a * c[i] + b * sn[i];
                    r[i] += pos;
                    r1[i] += j * (b * c[i] - a * sn[i]);
                    r2[i] += -j2 * pos;
                }
                if constexpr (Order == 3) {
                    double* r3 = acc[3][q];
                    for (std::size_t i = 0; i < cnt; ++i) r3[i] += j3 * (a * sn[i] - b * c[i]);
                }
            }
        }
    }
}

template <int Order>
void eval_all(const Coeffs& C, const std::vector<double>& s, std::vector<Vec3>* out[Order + 1]) {
    for (int d = 0; d <= Order; ++d) out[d]->resize(s.size());
    double acc[Order + 1][3][kChunk];
    for (std::size_t start = 0; start < s.size(); start += kChunk) {
        const std::size_t cnt = std::min(kChunk, s.size() - start);
        eval_chunk<Order>(C, s.data() + start, cnt, acc);
        for (int d = 0; d <= Order; ++d) {
            Vec3* dst = out[d]->data() + start;
            for (std::size_t i = 0; i < cnt; ++i) dst[i] = {acc[d][0][i], acc[d][1][i], acc[d][2][i]};
        }
    }
}

}  // namespace

std::vector<Vec3> evaluate_fourier_block(const FourierBlock& block, const std::vector<double>& s) {
    std::vector<Vec3> r;
    std::vector<Vec3>* out[1] = {&r};
    eval_all<0>(padded(block, block.a_x.size()), s, out);
    return r;
}

Vec3 evaluate_fourier_point(const FourierBlock& block, double s) {
    return evaluate_fourier_block(block, std::vector<double>{s})[0];
}

FourierSamples evaluate_fourier_derivatives(const FourierBlock& block, const std::vector<double>& s, int order) {
    FourierSamples res;
    const Coeffs C = padded(block, longest(block));
    if (order >= 3) {
        std::vector<Vec3>* out[4] = {&res.r, &res.d1, &res.d2, &res.d3};
        eval_all<3>(C, s, out);
    } else {
        std::vector<Vec3>* out[3] = {&res.r, &res.d1, &res.d2};
        eval_all<2>(C, s, out);
    }
    return res;
}

std::array<Vec3, 4> evaluate_with_derivatives(const FourierBlock& block, double s) {
    const FourierSamples f = evaluate_fourier_derivatives(block, std::vector<double>{s}, 3);
    return {f.r[0], f.d1[0], f.d2[0], f.d3[0]};
}

std::vector<double> uniform_parameters(std::size_t n) {
    std::vector<double> s(n);
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<double>(i) * kTwoPi / static_cast<double>(n);
    return s;
}

}  // namespace kvor
