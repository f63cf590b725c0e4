// The shape model: every primitive and combination is a Shape whose first field
// points to its type's seven-slot method table (the table's address is also
// the type tag). Slot 0 appends the ray's inside-spans to an IntervalList.
//
// Type data follow the header: each type's record derives from Shape
// (struct Sphere : Shape { ... }), and its slots cast the Shape* back.
#pragma once

#include <cstdint>

#include "rt/axis_box.h"
#include "rt/matrix.h"
#include "rt/ray.h"
#include "rt/vec3.h"

struct Shape;
struct Hit;
struct IntervalList;

struct ShapeMethods {
  // Appends every inside-span of the ray; true when at least one was appended.
  bool (*All_Intersections)(Shape* shape, const Ray* ray, IntervalList* list);
  // World-space unit normal at a hit of this shape; returns out.
  Vec3* (*Normal)(Vec3* out, Shape* shape, const Hit* hit);
  void (*Translate)(Shape* shape, const Vec3* vector, const Transform* transform);
  void (*Rotate)(Shape* shape, const Vec3* vector, const Transform* transform);
  void (*Scale)(Shape* shape, const Vec3* vector, const Transform* transform);
  void (*Apply_Transform)(Shape* shape, const Transform* transform);
  // Cone and cylinder only (nullptr for every other type).
  void (*Compute_Data)(Shape* shape);
};

struct Shape {
  const ShapeMethods* methods;
  AxisBox bounds;        // world space, kept current by slots 2 to 6
  Transform* transform;  // nullptr: the type data are in world coordinates
};

// One crossing of a surface.
struct Hit {
  Shape* object;                   // the primitive whose surface was crossed
  const Transform* hit_transform;  // accumulated transform of the level it came from, or nullptr
  float depth;                     // in units of the ray's direction
  Vec3 point;                      // world point
  int32_t surface;                 // which part of the surface (per type)
  int32_t flag;                    // 1 on hits taken from a subtracted CSG operand
};

struct Interval {
  Hit entry;
  Hit exit;
};

// Room for 16 records, at most 15 used: an append to a full list overwrites
// the last used record (index 14) instead of growing.
inline constexpr int32_t kIntervalListRoom = 16;
inline constexpr int32_t kIntervalListMaxCount = 15;

struct IntervalList {
  Interval records[kIntervalListRoom];
  int32_t count;  // callers start a query with 0
};

void interval_push(IntervalList* list, Shape* shape, float depth1, float depth2,
                   const Vec3& point1, const Vec3& point2, int32_t surface1, int32_t surface2);
void interval_copy(IntervalList* list, const Interval* interval);
