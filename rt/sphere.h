// Sphere and ellipsoid. An ellipsoid is a sphere with a Transform, intersected
// in its object space; a sphere becomes one (its method table is replaced) the
// first time it must acquire a Transform: a non-uniform scale or an arbitrary
// transform.
#pragma once

#include "rt/shape.h"

struct Sphere : Shape {
  Vec3 centre;  // object space for an ellipsoid
  float radius;
  float radius_squared;  // always radius * radius
};

extern const ShapeMethods sphere_methods;
extern const ShapeMethods ellipsoid_methods;

// The sphere test on an origin and direction of any length: true with the
// entry and exit depths when the ray crosses the sphere (a tangent misses)
// with exit > kMinHitDepth and entry < max_depth.
bool sphere_crossing(const Sphere* sphere, const Vec3& origin, const Vec3& direction,
                     float max_depth, float* entry, float* exit);

// Slots 2 to 5, shared by both types.
void sphere_translate(Shape* shape, const Vec3* vector, const Transform* transform);
void sphere_rotate(Shape* shape, const Vec3* vector, const Transform* transform);
void sphere_scale(Shape* shape, const Vec3* vector, const Transform* transform);
void sphere_apply_transform(Shape* shape, const Transform* transform);
