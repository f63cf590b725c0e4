// Helpers shared by the shape types' slots: the object-space view of a ray,
// acquiring a Transform on first use, and bounds from an object-space box.
#pragma once

#include "rt/shape.h"

// O and D of the ray in the shape's object space (unchanged without a
// Transform). D is not normalised, so depths stay in units of the caller's ray.
// Inline because every slot-0 call of a box, plane or polyhedron starts here
// and most of them have no Transform.
void shape_object_ray_mapped(const Shape* shape, const Ray* ray, Vec3* origin, Vec3* direction);
inline void shape_object_ray(const Shape* shape, const Ray* ray, Vec3* origin, Vec3* direction) {
  if (shape->transform != nullptr) return shape_object_ray_mapped(shape, ray, origin, direction);
  *origin = ray->origin;
  *direction = ray->direction;
}

// Gives the shape a fresh identity Transform when it has none. False when the
// allocator failed (the message is printed); the caller then leaves the shape
// as it was.
bool shape_ensure_transform(Shape* shape);

// Creates the Transform if needed and composes the given one into it.
// False (shape unchanged) when no Transform could be created.
bool shape_compose(Shape* shape, const Transform* transform);

// bounds = the object-space box (min, max), mapped by the shape's Transform
// when it has one.
void shape_bounds_from_object_box(Shape* shape, const Vec3& min, const Vec3& max);

// A point carried between object and world space by the shape's Transform
// (unchanged without one).
Vec3 shape_world_point(const Shape* shape, const Vec3& object_point);
Vec3 shape_object_point(const Shape* shape, const Vec3& world_point);

// The world point origin + depth * direction of a ray.
inline Vec3 ray_point(const Ray* ray, float depth) { return ray->origin + ray->direction * depth; }

// An object-space normal carried to world space and made unit length
// (unchanged without a Transform).
Vec3 shape_world_normal(const Shape* shape, const Vec3& object_normal);
