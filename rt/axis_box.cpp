// Bounding-box construction and mapping.
#include "rt/axis_box.h"

#include "rt/rt_tolerances.h"

namespace {

void fold_axis(float corner, float size, float& lo, float& hi) {
  if (size < 0.0f) {
    corner += size;
    size = -size;
  }
  lo = corner;
  hi = corner + size;
}

}  // namespace

void box_from_corner(AxisBox* box, float cx, float cy, float cz, float sx, float sy, float sz) {
  fold_axis(cx, sx, box->min.x, box->max.x);
  fold_axis(cy, sy, box->min.y, box->max.y);
  fold_axis(cz, sz, box->min.z, box->max.z);
}

void box_of_transformed(const Matrix4& M, AxisBox* box) {
  const Vec3 size = box->max - box->min;
  Vec3 lo{rt::kFarDepth, rt::kFarDepth, rt::kFarDepth};
  Vec3 hi{-rt::kFarDepth, -rt::kFarDepth, -rt::kFarDepth};
  for (int i = 1; i <= 8; ++i) {  // i = 8 has no low bits set: the min corner itself
    const Vec3 corner = box->min + Vec3{(i & 1) ? size.x : 0.0f, (i & 2) ? size.y : 0.0f,
                                        (i & 4) ? size.z : 0.0f};
    const Vec3 p = transform_point(M, corner);
    vec3_min(lo, lo, p);
    vec3_max(hi, hi, p);
  }
  const Vec3 floor{-rt::kUnboundedExtent, -rt::kUnboundedExtent, -rt::kUnboundedExtent};
  const Vec3 ceiling{rt::kUnboundedExtent, rt::kUnboundedExtent, rt::kUnboundedExtent};
  vec3_max(box->min, lo, floor);
  vec3_min(box->max, hi, ceiling);
}
