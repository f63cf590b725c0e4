// Transformed object: wraps any shape (a primitive, a CSG shape or another
// transformed object) in a Transform of its own, so a shape can be placed
// without changing its data. Also the normal dispatch that every CSG normal
// uses: a hit's normal evaluated through the hit's hit_transform.
//
// How points and normals reach world space, also through nesting:
// - The child is intersected with a local ray in its own space whose matrix
//   and inverse hold the accumulated child-to-world transform (own matrix,
//   then the caller ray's matrix). A nested transformed object therefore
//   sees the whole chain above it.
// - Depths need no mapping (directions are mapped without normalisation), so
//   every point the child appended is recomputed in the caller's space as
//   origin + depth * direction of the caller's ray; after the outermost level
//   points are in world space.
// - A hit that has no hit_transform yet gets the accumulated transform of the
//   innermost level it passed; outer levels keep it. The normal dispatch maps
//   the world point into that space, asks the object for its normal there and
//   maps it back to a unit world normal.
// - The accumulated transforms are immutable records kept per transformed
//   object (one per distinct chain above it) and never freed, so hit_transform
//   stays valid for as long as the caller keeps its list, also after the
//   scene has been moved.
#pragma once

#include "rt/shape.h"

struct AccumulatedTransform;

struct Transformed : Shape {
  Transform* own_transform;  // always present; child space -> parent space
  Shape* child;
  AccumulatedTransform* accumulated;  // the builder sets nullptr
};

extern const ShapeMethods transformed_methods;

// World-space unit normal at a hit of any shape: through the hit's
// hit_transform when it has one, negated when the hit's flag says it lies on
// a subtracted CSG operand.
Vec3* normal_dispatch(Vec3* out, const Hit* hit);
