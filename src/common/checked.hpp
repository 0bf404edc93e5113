#pragma once
// Checked string-to-number conversions and allocation counts.
//
// The messages are part of the library's contract and are fixed texts, independent of the
// C++ runtime the library is built with (libstdc++ words its own exceptions differently).
#include <cstddef>
#include <string>

namespace kvor {

inline constexpr const char* kMsgInvalidStod = "invalid stod argument";
inline constexpr const char* kMsgRangeStod = "stod argument out of range";
inline constexpr const char* kMsgInvalidStoi = "invalid stoi argument";
inline constexpr const char* kMsgRangeStoi = "stoi argument out of range";
inline constexpr const char* kMsgVectorTooLong = "vector too long";

// Like std::stod: skips leading white space and converts the longest valid prefix.
// Throws std::invalid_argument / std::out_of_range with the fixed texts above.
double checked_stod(const std::string& s);

// Like std::stoi in base 10.
int checked_stoi(const std::string& s);

// A signed element count used to size a vector: negative (or absurdly large) counts throw
// std::length_error "vector too long", as a vector sized from a wrapped-around count would.
std::size_t checked_count(long long n);

}  // namespace kvor
