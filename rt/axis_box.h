// AxisBox: an axis-aligned bounding box; infinite extent is +-1e10.
#pragma once

#include "rt/matrix.h"
#include "rt/vec3.h"

struct AxisBox {
  Vec3 min;
  Vec3 max;
};

// min = corner, max = corner + size per axis; a negative size is folded first.
void box_from_corner(AxisBox* box, float cx, float cy, float cz, float sx, float sy, float sz);

// Replaces an object-space box by the world box of its eight corners mapped
// through M, clamped to the unbounded extent.
void box_of_transformed(const Matrix4& M, AxisBox* box);
