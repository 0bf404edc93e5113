#pragma once
// Three-vector of doubles: the unit of every position, tangent, velocity and field value.
#include <array>
#include <cmath>
#include <vector>

namespace kvor {

using Vec3 = std::array<double, 3>;
using PointList = std::vector<Vec3>;

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec3 operator*(double s, const Vec3& a) { return {s * a[0], s * a[1], s * a[2]}; }
inline Vec3 operator*(const Vec3& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
inline Vec3 operator/(const Vec3& a, double s) { return {a[0] / s, a[1] / s, a[2] / s}; }
inline Vec3& operator+=(Vec3& a, const Vec3& b) {
    a[0] += b[0]; a[1] += b[1]; a[2] += b[2];
    return a;
}
inline Vec3& operator-=(Vec3& a, const Vec3& b) {
    a[0] -= b[0]; a[1] -= b[1]; a[2] -= b[2];
    return a;
}
inline double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }

}  // namespace kvor
