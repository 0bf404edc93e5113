#pragma once
// Numerical constants written as the literals the formulas use.

namespace kvor {

inline constexpr double kTwoPi = 6.283185307179586;
inline constexpr double kFourPi = 12.566370614359172;
inline constexpr double kPi = 3.141592653589793;
inline constexpr double kInvFourPi = 0.07957747154594767;

}  // namespace kvor
