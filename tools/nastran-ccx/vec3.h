#pragma once

#include <cmath>

#include "model.h"

// Small vector arithmetic for the geometry of elements and loads. In its own
// namespace, so that files with their own local helpers of the same names stay unambiguous.
namespace nastranccx::vec3 {

inline Vec3 add(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline Vec3 sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec3 scale(double s, const Vec3& a) { return {s * a[0], s * a[1], s * a[2]}; }
inline double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }
inline Vec3 unit(const Vec3& a) { return scale(1 / norm(a), a); }

// The same as operators, for files that write the geometry as formulas
// (`using vec3::operator+;` and the like brings them in).
inline Vec3 operator+(const Vec3& a, const Vec3& b) { return add(a, b); }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return sub(a, b); }
inline Vec3 operator*(double s, const Vec3& a) { return scale(s, a); }

}  // namespace nastranccx::vec3
