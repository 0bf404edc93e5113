#pragma once
// Paired inputs read with the index range of the first: a shorter second input is an error,
// never a read past its end.
#include <cstddef>
#include <stdexcept>
#include <string>

namespace kvor {

inline void require_at_least(const char* fn, const char* second, std::size_t have, const char* first,
                             std::size_t need) {
    if (have < need) {
        throw std::invalid_argument(std::string(fn) + ": " + second + " has " + std::to_string(have) +
                                    " entries, fewer than the " + std::to_string(need) + " of " + first);
    }
}

}  // namespace kvor
