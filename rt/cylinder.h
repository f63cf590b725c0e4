// Capped cylinder and capped cone frustum: two end points and two radii,
// intersected in a canonical object space reached through the shape's own
// Transform. Object space: the cylinder is x^2 + y^2 <= 1, 0 <= z <= 1; the
// cone is x^2 + y^2 <= z^2, dist <= z <= 1 (its tip at the origin).
//
// Both types share this record and everything but slot 0 and the side
// normal; Compute_Data (slot 6) turns a cone with equal radii into a cylinder
// and the reverse by replacing the method table. The builder creates the
// Transform (transform_create) before Compute_Data overwrites it.
#pragma once

#include <cstdint>

#include "rt/shape.h"

struct Cylinder : Shape {
  Vec3 apex_point;    // the end at z = 1 in object space
  Vec3 base_point;    // the end at z = dist (0 for the cylinder)
  float apex_radius;  // for the cylinder the radius of the whole shape
  float base_radius;
  float dist;  // set by Compute_Data: the base cap's z in object space
};
using Cone = Cylinder;

// Surface codes of the two types.
enum AxialSurface : int32_t { kBaseCap = 1, kApexCap = 2, kAxialSide = 3 };

extern const ShapeMethods cylinder_methods;
extern const ShapeMethods cone_methods;

// Slot 6 of either type.
void cylinder_compute_data(Shape* shape);
void cone_compute_data(Shape* shape);

// ---- Shared by the cone and cylinder routines ----

// Candidate surface crossings of one ray, in order of discovery. `depth` is
// the object-space distance along the unit object-space direction.
struct AxialHits {
  float depth[4];
  int32_t surface[4];
  int count;
};

// The ray in the shape's object space with a unit direction; `scale` turns
// object distances into depths of the caller's ray.
struct AxialRay {
  Vec3 origin;
  Vec3 direction;
  float scale;
};

AxialRay axial_object_ray(const Cylinder* shape, const Ray* ray);

inline void axial_add(AxialHits* hits, float t, int32_t surface) {
  hits->depth[hits->count] = t;
  hits->surface[hits->count] = surface;
  ++hits->count;
}

// Adds the crossing of the cap plane at object height z when it falls
// within the cap's disc. The caller makes sure the ray is not parallel.
void axial_add_cap(AxialHits* hits, const AxialRay& r, float z, float radius_squared,
                   int32_t surface);

// Orders the first two candidates, applies the depth limits and appends at
// most one interval. Returns whether it appended.
bool axial_finish(Cylinder* shape, const Ray* ray, const AxialRay& local, AxialHits* hits,
                  IntervalList* list);

// Writes the shape's Transform for a unit axis, an origin (z = 0), a radius
// and a height: scale (r, r, h), turn +z onto the axis, move to the origin.
void axial_set_frame(Cylinder* shape, Vec3 axis, const Vec3& origin, float radius, float height);

// Bounds of the object-space box (-1, -1, dist)..(1, 1, 1) mapped to world.
void axial_update_bounds(Cylinder* shape);

// Slots 2 to 5 of both types: compose into the own Transform, then bound
// (translate, rotate and scale ignore the vector).
void axial_place(Shape* shape, const Vec3* vector, const Transform* transform);
void axial_apply_transform(Shape* shape, const Transform* transform);

// Object-space normal by surface code -> unit world normal; `side` gives the
// side normal from the object-space point.
Vec3* axial_normal(Vec3* out, const Shape* shape, const Hit* hit, Vec3 (*side)(const Vec3& p));

// Prints a degenerate-shape message on standard error and ends the program
// with status -1.
[[noreturn]] void axial_degenerate(const char* message);
