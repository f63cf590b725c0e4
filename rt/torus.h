// Torus: ring of radius major_radius around the object-space y axis, tube of
// radius minor_radius, centred at the origin. A torus always owns a Transform
// (the builder creates it before the first placement); slots 2 to 5 compose
// into it.
#pragma once

#include "rt/shape.h"

struct Torus : Shape {
  float major_radius;  // R: radius of the ring's centre line
  float minor_radius;  // r: radius of the tube
};

extern const ShapeMethods torus_methods;
