// The convex polyhedron: the set where dot(N_i, P) + d_i is not positive for
// every face plane i. Hits report face indices as their surface.
#pragma once

#include "rt/shape.h"

struct PolyFace {
  Vec3 normal;
  float distance;
};

struct Polyhedron : Shape {
  int32_t face_count;
  const PolyFace* faces;  // face_count planes; the array belongs to the builder
  Vec3 object_min;        // object-space box of the polyhedron (from the builder)
  Vec3 object_max;
};

extern const ShapeMethods polyhedron_methods;
