// CSG bounding boxes: the union's box covers both operands, the difference's
// is the kept operand's, the intersection's is the overlap of both (with the
// half-space box standing in for a plane operand on the right).
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "rt/csg.h"
#include "rt/plane.h"
#include "rt/rt_tolerances.h"

namespace {

// The plane's world normal (unit) and offset: dot(n, P) + d < 0 inside.
void plane_in_world(const Plane* plane, Vec3* normal, float* distance) {
  if (plane->transform == nullptr) {
    *normal = plane->normal;
    *distance = plane->distance;
    return;
  }
  // Object point = world point * inverse, so dot(N, P) + d becomes
  // dot(inverse3x3 N, Pw) + dot(N, inverse row 3) + d.
  const Matrix4& inv = plane->transform->inverse;
  const Vec3 n = transform_normal(inv, plane->normal);
  const Vec3 shift{inv.m[3][0], inv.m[3][1], inv.m[3][2]};
  const float d = vec3_dot(plane->normal, shift) + plane->distance;
  const float length = vec3_length(n);
  *normal = n * (1.0f / length);
  *distance = d / length;
}

// The box of a half-space: unbounded except on axes its boundary is
// perpendicular to, where the outside is cut off.
AxisBox half_space_box(const Plane* plane) {
  const float e = rt::kUnboundedExtent;
  AxisBox box{{-e, -e, -e}, {e, e, e}};
  Vec3 n;
  float d;
  plane_in_world(plane, &n, &d);
  float* lo[3] = {&box.min.x, &box.min.y, &box.min.z};
  float* hi[3] = {&box.max.x, &box.max.y, &box.max.z};
  for (int k = 0; k < 3; ++k) {
    const float nk = vec3_get(n, k);
    if (!(std::fabs(1.0f - std::fabs(nk)) < rt::kAxisAlignedNormal)) continue;
    if (nk > 0.0f)
      *hi[k] = -d;
    else
      *lo[k] = d;
  }
  return box;
}

AxisBox operand_box(const Shape* shape) {
  if (shape->methods == &plane_methods) return half_space_box(static_cast<const Plane*>(shape));
  return shape->bounds;
}

[[noreturn]] void degenerate_box() {
  std::fputs("Degenerate CSG bounding box!", stderr);
  std::exit(rt::kGeometryFatalStatus);
}

}  // namespace

void csg_update_bounds(Csg* shape) {
  const AxisBox& l = shape->left->bounds;
  AxisBox box;
  if (shape->methods == &csg_union_methods) {
    const AxisBox& r = shape->right->bounds;
    vec3_min(box.min, r.min, l.min);
    vec3_max(box.max, r.max, l.max);
  } else if (shape->methods == &csg_difference_methods) {
    box = l;
  } else {
    const AxisBox r = operand_box(shape->right);
    vec3_max(box.min, l.min, r.min);
    vec3_min(box.max, l.max, r.max);
  }
  // NaN bounds pass: only a definite inversion is an empty box.
  if (box.min.x > box.max.x || box.min.y > box.max.y || box.min.z > box.max.z) degenerate_box();
  shape->bounds = box;
}
