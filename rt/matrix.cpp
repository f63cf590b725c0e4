// Matrix products and the transform builders.
#include "rt/matrix.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "rt/rt_tolerances.h"

void matrix_identity(Matrix4& out) {
  std::memset(&out, 0, sizeof out);
  for (int i = 0; i < 4; ++i) out.m[i][i] = 1.0f;
}

void matrix_multiply(Matrix4& out, const Matrix4& a, const Matrix4& b) {
  Matrix4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] +
                  a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
  out = r;
}

Transform* transform_create() {
  // Carved from a larger block so the record lands on a 16-byte boundary; the
  // block is kept for the rest of the run, as every transform is.
  void* block = std::malloc(sizeof(Transform) + rt::kVectorAlignment);
  if (block == nullptr) {
    std::printf("ERROR: Could not allocate aligned memory!\n");
    return nullptr;
  }
  auto address = reinterpret_cast<std::uintptr_t>(block);
  address = (address + rt::kVectorAlignment - 1) & ~std::uintptr_t{rt::kVectorAlignment - 1};
  auto* t = new (reinterpret_cast<void*>(address)) Transform;
  matrix_identity(t->matrix);
  matrix_identity(t->inverse);
  return t;
}

void make_scaling(Transform* T, const Vec3& s) {
  matrix_identity(T->matrix);
  matrix_identity(T->inverse);
  const float scale[3] = {s.x, s.y, s.z};
  for (int i = 0; i < 3; ++i) {
    T->matrix.m[i][i] = scale[i];
    T->inverse.m[i][i] = 1.0f / scale[i];
  }
}

void make_translation(Transform* T, const Vec3& t) {
  matrix_identity(T->matrix);
  matrix_identity(T->inverse);
  const float move[3] = {t.x, t.y, t.z};
  for (int i = 0; i < 3; ++i) {
    T->matrix.m[3][i] = move[i];
    T->inverse.m[3][i] = -move[i];
  }
}

void make_rotation(Transform* T, const Vec3& axis, float angle) {
  Vec3 u;
  vec3_normalize(u, axis);
  const float c = rt_cos(angle);
  const float s = rt_sin(angle);
  const float k = 1.0f - c;
  Matrix4& m = T->matrix;
  matrix_identity(m);
  m.m[0][0] = u.x * u.x + c * (1.0f - u.x * u.x);
  m.m[0][1] = k * u.x * u.y + u.z * s;
  m.m[0][2] = k * u.x * u.z - u.y * s;
  m.m[1][0] = k * u.x * u.y - u.z * s;
  m.m[1][1] = u.y * u.y + c * (1.0f - u.y * u.y);
  m.m[1][2] = k * u.y * u.z + u.x * s;
  m.m[2][0] = k * u.x * u.z + u.y * s;
  m.m[2][1] = k * u.y * u.z - u.x * s;
  m.m[2][2] = u.z * u.z + c * (1.0f - u.z * u.z);
  // A rotation's inverse is its transpose.
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) T->inverse.m[i][j] = m.m[j][i];
}

void compose_transform(Transform* X, const Transform* T) {
  matrix_multiply(X->matrix, X->matrix, T->matrix);
  matrix_multiply(X->inverse, T->inverse, X->inverse);
}
