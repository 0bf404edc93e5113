#pragma once
// A closed curve as a truncated Fourier series in each coordinate:
//   r(s) = sum_{j=1..n} A_j cos(j s) + B_j sin(j s),  s in [0, 2pi),
// element k of each list belonging to harmonic j = k + 1 (no constant term).
#include <string>
#include <vector>

namespace kvor {

struct FourierBlock {
    std::string header;
    std::vector<double> a_x, b_x, a_y, b_y, a_z, b_z;

    // Number of harmonics as every consumer counts them: the length of a_x.
    std::size_t harmonics() const { return a_x.size(); }
};

}  // namespace kvor
