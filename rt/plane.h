// The plane: the half-space dot(normal, P) + distance < 0. Its spans run to
// an infinity on one side.
#pragma once

#include "rt/shape.h"

struct Plane : Shape {
  Vec3 normal;  // stored normalised by the builder
  float distance;
};

extern const ShapeMethods plane_methods;
