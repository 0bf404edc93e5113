#include "common/checked.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <vector>

namespace kvor {

double checked_stod(const std::string& s) {
    const char* begin = s.c_str();
    char* end = nullptr;
    const int saved = errno;
    errno = 0;
    const double v = std::strtod(begin, &end);
    if (end == begin) {
        errno = saved;
        throw std::invalid_argument(kMsgInvalidStod);
    }
    if (errno == ERANGE) {
        errno = saved;
        throw std::out_of_range(kMsgRangeStod);
    }
    errno = saved;
    return v;
}

int checked_stoi(const std::string& s) {
    const char* begin = s.c_str();
    char* end = nullptr;
    const int saved = errno;
    errno = 0;
    const long v = std::strtol(begin, &end, 10);
    if (end == begin) {
        errno = saved;
        throw std::invalid_argument(kMsgInvalidStoi);
    }
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX) {
        errno = saved;
        throw std::out_of_range(kMsgRangeStoi);
    }
    errno = saved;
    return static_cast<int>(v);
}

std::size_t checked_count(long long n) {
    if (n < 0 || static_cast<unsigned long long>(n) > std::vector<double>().max_size()) {
        throw std::length_error(kMsgVectorTooLong);
    }
    return static_cast<std::size_t>(n);
}

}  // namespace kvor
