// Constructive solid geometry: union, intersection and difference of two
// operand shapes, merged by their inside-spans along the ray.
//
// Each slot 0 fills two private lists on the stack (nothing is allocated per
// ray) and merges them in depth order into the caller's list; every routine
// keeps lists sorted by entry depth and free of overlaps, so operands may be
// CSG shapes themselves. An operand the ray's box test rejects costs one box
// test. The profile scope is entered after both operands have run, so a CSG
// node times the merge alone.
#pragma once

#include "rt/shape.h"

struct Csg : Shape {
  Shape* left;   // for the difference: the shape that is kept
  Shape* right;  // for the difference: the shape that is subtracted
};

extern const ShapeMethods csg_union_methods;
extern const ShapeMethods csg_intersection_methods;
extern const ShapeMethods csg_difference_methods;

// ---- Shared by the three CSG types ----

// Slot 1 of all three: the normal dispatch, which also turns the normal of a
// hit taken from a subtracted operand (its flag) to face out of the result.
Vec3* csg_normal(Vec3* out, Shape* shape, const Hit* hit);

// Slots 2 to 5: the same slot on left, then right, then the CSG bounds.
void csg_translate(Shape* shape, const Vec3* vector, const Transform* transform);
void csg_rotate(Shape* shape, const Vec3* vector, const Transform* transform);
void csg_scale(Shape* shape, const Vec3* vector, const Transform* transform);
void csg_apply_transform(Shape* shape, const Transform* transform);

// Recomputes the bounds by the rule of the shape's type; an empty box ends
// the program with "Degenerate CSG bounding box!" and status -1.
void csg_update_bounds(Csg* shape);

// Runs a shape's slot 0 into a list.
inline bool csg_intersect(Shape* shape, const Ray* ray, IntervalList* list) {
  return shape->methods->All_Intersections(shape, ray, list);
}

// Appends (entry, exit) as one interval, every field of both hits kept.
void csg_append(IntervalList* list, const Hit& entry, const Hit& exit);

// Appends (entry, exit) only when the span lies in front of the ray and starts
// within its limit; answers whether it did. Checked before appending, so a
// full list never loses its last record to a span that is dropped.
bool csg_append_if_valid(IntervalList* list, const Hit& entry, const Hit& exit, const Ray* ray);

// The hit as it bounds the result of a difference: it lies on the subtracted
// operand, whose outward normal faces into the result, so its flag toggles
// (a hit that was already turned by a nested difference turns back).
Hit csg_subtracted(const Hit& hit);
