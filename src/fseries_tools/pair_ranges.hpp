#pragma once
// Index partners of a vertex on a closed polygon that lie more than m steps away along it.
#include <algorithm>

namespace kvor::kvorext {

// For vertex i of an n-gon, the j with min(|i - j|, n - |i - j|) > m form at most two runs:
// [lo_before, hi_before] below i and [lo_after, hi_after] above it (a run is empty when lo > hi).
// m < 0 behaves as m = 0 (every j != i).
struct PartnerRuns {
    long long lo_before, hi_before, lo_after, hi_after;
};

inline PartnerRuns partners_beyond(long long i, long long n, long long m) {
    const long long mm = std::max(m, 0LL);
    const long long far = n - mm - 1;  // largest admissible index offset
    PartnerRuns r;
    r.lo_before = std::max(0LL, i - far);
    r.hi_before = i - mm - 1;
    r.lo_after = i + mm + 1;
    r.hi_after = std::min(n - 1, i + far);
    return r;
}

}  // namespace kvor::kvorext
