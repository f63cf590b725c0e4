// Scene building for the engine's users: small functions that allocate and
// fill each shape type, create the Transform a type needs, and place shapes
// through their method-table slots, so that a scene reads in a few lines:
//
//   Shape* ring = scene_torus(2.0f, 0.5f);
//   scene_rotate(ring, Vec3{1, 0, 0}, 0.5f);
//   Shape* holed = scene_difference(scene_box({-1, -1, -1}, {1, 1, 1}), ring);
//
// Every maker returns a shape whose bounds are already set. Shapes and their
// Transforms live for the rest of the run, as the engine expects; they stay
// reachable from a registry, so leak checkers do not report them.
#pragma once

#include "rt/polyhedron.h"
#include "rt/shape.h"

// ---- Makers ----
Shape* scene_sphere(const Vec3& centre, float radius);
// The box between two corners (given in any order per axis).
Shape* scene_box(const Vec3& corner1, const Vec3& corner2);
// The half-space dot(normal, P) + distance < 0, stored with a unit normal
// (both values divided by the normal's length, which must not be zero).
Shape* scene_plane(const Vec3& normal, float distance);
// A convex polyhedron from face planes (copied; a negative count is taken as
// none) and its object-space box.
Shape* scene_polyhedron(const PolyFace* faces, int face_count, const Vec3& min, const Vec3& max);
Shape* scene_torus(float major_radius, float minor_radius);
// A capped cylinder between two end points; equal end points end the program
// with the degenerate-cylinder message.
Shape* scene_cylinder(const Vec3& base_point, const Vec3& apex_point, float radius);
// A capped cone frustum; equal radii give a cylinder.
Shape* scene_cone(const Vec3& base_point, float base_radius, const Vec3& apex_point,
                  float apex_radius);
// Wraps a shape in a transformed object with an identity transform.
Shape* scene_transformed(Shape* child);
Shape* scene_union(Shape* left, Shape* right);
Shape* scene_intersection(Shape* left, Shape* right);
// left minus right.
Shape* scene_difference(Shape* left, Shape* right);

// ---- Placement through slots 2 to 5 ----
void scene_translate(Shape* shape, const Vec3& offset);
void scene_rotate(Shape* shape, const Vec3& axis, float angle);
void scene_scale(Shape* shape, const Vec3& factors);
void scene_transform(Shape* shape, const Transform& transform);

// ---- Querying ----
// Prepares a ray (ray_init) and intersects it with a shape into a fresh list.
bool scene_intersect(Shape* shape, const Vec3& origin, const Vec3& direction, IntervalList* list);
// World normal at a hit of `shape` (slot 1).
Vec3 scene_normal(Shape* shape, const Hit& hit);
