#pragma once
// A vectorisable exponential for the pair loops.
#include <bit>
#include <cstdint>

namespace kvor {

// exp(x) written with plain arithmetic and bit moves so that loops calling it vectorise
// (the library exp is an opaque call). Cody–Waite reduction x = k ln2 + r, |r| ≤ ln2/2,
// a degree-13 Taylor polynomial (truncation below 5e-18), and 2^k applied as two factors so
// that results down into the subnormal range scale correctly. Within 2 ulp of std::exp;
// exp(−inf) = 0, exp(+inf) = inf, NaN stays NaN.
inline double exp_vectorisable(double x) {
    constexpr double kLog2e = 1.4426950408889634;
    constexpr double kLn2Hi = 6.93147180369123816490e-01;
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    constexpr double kRound = 6755399441055744.0;  // 1.5 · 2^52: adding it rounds to an integer
    double xc = x < -746.0 ? -746.0 : x;
    xc = xc > 710.0 ? 710.0 : xc;
    const double k = (xc * kLog2e + kRound) - kRound;
    const double r = (xc - k * kLn2Hi) - k * kLn2Lo;
    double p = 1.0 / 6227020800.0;
    p = p * r + 1.0 / 479001600.0;
    p = p * r + 1.0 / 39916800.0;
    p = p * r + 1.0 / 3628800.0;
    p = p * r + 1.0 / 362880.0;
    p = p * r + 1.0 / 40320.0;
    p = p * r + 1.0 / 5040.0;
    p = p * r + 1.0 / 720.0;
    p = p * r + 1.0 / 120.0;
    p = p * r + 1.0 / 24.0;
    p = p * r + 1.0 / 6.0;
    p = p * r + 0.5;
    p = p * r + 1.0;
    p = p * r + 1.0;
    // 2^k = 2^k1 · 2^k2 with both halves in the normal exponent range; the exponent field is
    // the low bits of (k_i + 1023 + 1.5·2^52) shifted into place.
    const double k1 = (k * 0.5 + kRound) - kRound;
    const double k2 = k - k1;
    const double s1 = std::bit_cast<double>(std::bit_cast<std::uint64_t>(k1 + (1023.0 + kRound)) << 52);
    const double s2 = std::bit_cast<double>(std::bit_cast<std::uint64_t>(k2 + (1023.0 + kRound)) << 52);
    return p * s1 * s2;
}

}  // namespace kvor
