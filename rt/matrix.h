// Matrix4 (row vectors, translation in row 3) and Transform (a matrix with its
// inverse, kept in step by every operation).
#pragma once

#include "rt/vec3.h"

struct Matrix4 {
  float m[4][4];
};

// matrix maps object space to parent (world) space; inverse maps back.
struct alignas(16) Transform {
  Matrix4 matrix;
  Matrix4 inverse;
};

void matrix_identity(Matrix4& out);
// out = a * b (b applied after a, for row vectors); out may alias a or b.
void matrix_multiply(Matrix4& out, const Matrix4& a, const Matrix4& b);

inline Vec3 transform_point(const Matrix4& M, const Vec3& p) {
  const auto& m = M.m;
  return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
          p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
          p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
}

inline Vec3 transform_direction(const Matrix4& M, const Vec3& d) {
  const auto& m = M.m;
  return {d.x * m[0][0] + d.y * m[1][0] + d.z * m[2][0],
          d.x * m[0][1] + d.y * m[1][1] + d.z * m[2][1],
          d.x * m[0][2] + d.y * m[1][2] + d.z * m[2][2]};
}

// Multiplies by the transpose of the upper 3x3. With a Transform's inverse it
// carries an object-space normal to world space (not normalised).
inline Vec3 transform_normal(const Matrix4& M, const Vec3& n) {
  const auto& m = M.m;
  return {n.x * m[0][0] + n.y * m[0][1] + n.z * m[0][2],
          n.x * m[1][0] + n.y * m[1][1] + n.z * m[1][2],
          n.x * m[2][0] + n.y * m[2][1] + n.z * m[2][2]};
}

// A fresh identity transform on a 16-byte boundary, never released. Prints
// "ERROR: Could not allocate aligned memory!\n" and returns nullptr when the
// allocator fails.
Transform* transform_create();

void make_scaling(Transform* T, const Vec3& s);
void make_translation(Transform* T, const Vec3& t);
void make_rotation(Transform* T, const Vec3& axis, float angle);

// X.matrix = X.matrix * T.matrix (T applied after X); X.inverse = T.inverse * X.inverse.
void compose_transform(Transform* X, const Transform* T);
