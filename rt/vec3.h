// Vec3: three floats used by value, and the vector operations of the engine.
//
// The named operations write into an out record (which may alias an input);
// the small operators exist so that shape code reads like the formulas.
#pragma once

#include <cmath>

struct Vec3 {
  float x, y, z;
};

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(const Vec3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline bool operator==(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

inline float rt_cos(float a) { return std::cos(a); }
inline float rt_sin(float a) { return std::sin(a); }
inline float rt_sqrt(float a) { return std::sqrt(a); }

inline void vec3_set(Vec3& out, float x, float y, float z) { out = {x, y, z}; }
inline void vec3_copy(Vec3& out, const Vec3& a) { out = a; }
inline void vec3_add_to(Vec3& a, const Vec3& b) { a = a + b; }
inline void vec3_sub_from(Vec3& a, const Vec3& b) { a = a - b; }
inline void vec3_div_by(Vec3& a, float s) { a = a * (1.0f / s); }
inline float vec3_get(const Vec3& a, int i) { return i == 0 ? a.x : (i == 1 ? a.y : a.z); }
inline void vec3_neg(Vec3& out, const Vec3& a) { out = -a; }
inline void vec3_add(Vec3& out, const Vec3& a, const Vec3& b) { out = a + b; }
inline void vec3_sub(Vec3& out, const Vec3& a, const Vec3& b) { out = a - b; }
inline void vec3_scale(Vec3& out, const Vec3& a, float s) { out = a * s; }
inline float vec3_dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline void vec3_div(Vec3& out, const Vec3& a, float s) { out = a * (1.0f / s); }

inline void vec3_cross(Vec3& out, const Vec3& a, const Vec3& b) {
  out = {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline float vec3_length(const Vec3& a) { return rt_sqrt(vec3_dot(a, a)); }

// The caller guarantees a non-zero vector (no guard: a zero vector gives NaNs).
inline void vec3_normalize(Vec3& out, const Vec3& a) { out = a * (1.0f / vec3_length(a)); }

inline void vec3_min(Vec3& out, const Vec3& a, const Vec3& b) {
  out = {a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y, a.z < b.z ? a.z : b.z};
}
inline void vec3_max(Vec3& out, const Vec3& a, const Vec3& b) {
  out = {a.x < b.x ? b.x : a.x, a.y < b.y ? b.y : a.y, a.z < b.z ? b.z : a.z};
}
