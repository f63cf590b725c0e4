// Ray: origin and direction plus everything derived from them once, so that
// every later shape test can use it (reciprocal direction, sign flags, two
// planes that contain the ray, Pluecker moments, direction class and the
// ray-box routine of that class).
#pragma once

#include <cstdint>

#include "rt/matrix.h"
#include "rt/vec3.h"

struct Shape;
struct Ray;

// A plane containing the ray's line: dot(normal, P) + distance = 0.
struct RayPlane {
  Vec3 normal;
  int32_t not_positive[3];  // per axis: 1 when the normal component <= 0
  int32_t positive[3];      // per axis: 1 when the normal component > 0
  float distance;
};

// True when the ray's half-line may meet the shape's bounding box.
using RayBoxTest = bool (*)(const Shape* shape, const Ray* ray);

struct Ray {
  Vec3 origin;
  Vec3 direction;  // any length: depth t means origin + t * direction
  Matrix4 matrix;  // accumulated transform of the level the ray is expressed at
  Matrix4 inverse;
  Vec3 inv_direction;  // 1/direction per component (a zero gives an infinity)
  int32_t dir_not_positive[3];
  int32_t dir_positive[3];
  RayPlane plane_a;  // contains the camera's right vector
  RayPlane plane_b;  // contains the camera's up vector
  float max_depth;   // intervals entering at or beyond this are rejected
  int32_t dir_class;  // 4*[d.x >= 0] + 2*[d.y >= 0] + [d.z >= 0]
  RayBoxTest box_test;
  float moment_xy, moment_xz, moment_yz;
};

// Copies origin and direction, max_depth = 1e7, identity matrices, then
// ray_precompute with the camera of the ray-tracing state.
void ray_init(Ray* ray, const Vec3& origin, const Vec3& direction);

// Fills the derived fields; the two planes contain the camera's right and up
// vectors as the ray-tracing state holds them now.
void ray_precompute(Ray* ray);

// The same with the camera's right and up vectors given explicitly.
void ray_precompute(Ray* ray, const Vec3& camera_right, const Vec3& camera_up);

// The ray-box routine of a direction class 0..7.
RayBoxTest ray_box_test_for_class(int dir_class);
