// The axis-aligned box: a slab test whose tie rule decides which face is
// reported at an edge or corner hit. Works in object space when the box has a
// Transform.
#pragma once

#include "rt/shape.h"

struct Box : Shape {
  Vec3 corner1;  // low corner
  Vec3 corner2;  // high corner
};

// Face codes used as the hits' surface.
enum BoxFace : int32_t {
  kBoxNoFace = 0,  // the span is unlimited on that side
  kBoxLowX = 1,
  kBoxHighX = 2,
  kBoxLowY = 3,
  kBoxHighY = 4,
  kBoxLowZ = 5,
  kBoxHighZ = 6,
};

extern const ShapeMethods box_methods;
