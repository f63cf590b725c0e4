// The box: one slab routine run for x, y and z in turn.
#include "rt/box.h"

#include <cmath>
#include <utility>

#include "rt/profile.h"
#include "rt/rt_tolerances.h"
#include "rt/shape_placement.h"

namespace {

ProfileScope box_scope = PROFILE_SCOPE("All_Box_Intersections");

// The span of the ray inside every slab seen so far, with the faces that
// bound it.
struct Span {
  float tmin = -rt::kFarDepth;
  float tmax = rt::kFarDepth;
  int32_t entry_face = kBoxNoFace;
  int32_t exit_face = kBoxNoFace;
};

float component(const Vec3& v, int axis) { return vec3_get(v, axis); }

// At an edge or corner the two slab crossings lie within the tie band; the
// face whose axis has the larger direction component is reported (the earlier
// axis keeps its face when the components are equal). x is the first axis and
// always takes its face; y is judged against x; z against the axis of the face
// recorded so far, if that is an x or y face.
bool steeper_than_recorded(int axis, int32_t recorded_face, const Vec3& d) {
  const float here = std::fabs(component(d, axis));
  if (axis == 0) return true;
  if (axis == 1) return std::fabs(d.x) < here;
  if (recorded_face < kBoxLowX || recorded_face > kBoxHighY) return false;
  return std::fabs(component(d, (recorded_face - 1) / 2)) < here;
}

// Clips the span to one slab; false when the ray misses the box.
bool clip_slab(Span* span, int axis, const Vec3& low, const Vec3& high, const Vec3& o,
               const Vec3& d) {
  const float dk = component(d, axis), ok = component(o, axis);
  const float lo = component(low, axis), hi = component(high, axis);
  if (std::fabs(dk) <= rt::kParallelEpsilon) {
    // Parallel to the slab: inside or outside it for the whole ray.
    return !(lo > ok || hi < ok);
  }
  const int32_t low_face = 2 * axis + 1, high_face = 2 * axis + 2;
  // A ray going down the axis leaves through the low plane and enters
  // through the high one; going up, the other way round.
  const bool down = dk < 0.0f;
  const float exit_plane = down ? lo : hi, entry_plane = down ? hi : lo;
  const int32_t exit_face = down ? low_face : high_face;
  const int32_t entry_face = down ? high_face : low_face;

  const float t_exit = (exit_plane - ok) / dk;
  if (span->tmin > t_exit) return false;
  if (t_exit <= span->tmax - rt::kFaceTieBand) {
    span->tmax = t_exit;
    span->exit_face = exit_face;
  } else if (t_exit <= span->tmax + rt::kFaceTieBand &&
             steeper_than_recorded(axis, span->exit_face, d)) {
    span->exit_face = exit_face;
  }
  const float t_entry = (entry_plane - ok) / dk;
  if (t_entry >= span->tmin + rt::kFaceTieBand) {
    if (span->tmax < t_entry) return false;
    span->tmin = t_entry;
    span->entry_face = entry_face;
  } else if (t_entry >= span->tmin - rt::kFaceTieBand &&
             steeper_than_recorded(axis, span->entry_face, d)) {
    span->entry_face = entry_face;
  }
  return true;
}

bool box_all_intersections(Shape* shape, const Ray* ray, IntervalList* list) {
  profile_enter(&box_scope);
  const auto* box = static_cast<const Box*>(shape);
  Vec3 o, d;
  shape_object_ray(shape, ray, &o, &d);
  Span span;
  bool hit = true;
  for (int axis = 0; axis < 3 && hit; ++axis) hit = clip_slab(&span, axis, box->corner1, box->corner2, o, d);
  hit = hit && span.tmax > rt::kMinHitDepth && span.tmin < ray->max_depth;
  if (hit) {
    interval_push(list, shape, span.tmin, span.tmax, ray_point(ray, span.tmin),
                  ray_point(ray, span.tmax), span.entry_face, span.exit_face);
  }
  profile_leave();
  return hit;
}

constexpr Vec3 kFaceNormals[7] = {{0, 0, 0},  {-1, 0, 0}, {1, 0, 0}, {0, -1, 0},
                                  {0, 1, 0},  {0, 0, -1}, {0, 0, 1}};

Vec3* box_normal(Vec3* out, Shape* shape, const Hit* hit) {
  // A hit without a face (an unlimited side) has no normal: zero.
  if (hit->surface < kBoxLowX || hit->surface > kBoxHighZ) {
    *out = kFaceNormals[kBoxNoFace];
    return out;
  }
  *out = shape_world_normal(shape, kFaceNormals[hit->surface]);
  return out;
}

void set_untransformed_bounds(Box* box) { box->bounds = AxisBox{box->corner1, box->corner2}; }

void box_apply_transform(Shape* shape, const Transform* transform) {
  auto* box = static_cast<Box*>(shape);
  shape_compose(box, transform);
  shape_bounds_from_object_box(box, box->corner1, box->corner2);
}

void box_translate(Shape* shape, const Vec3* vector, const Transform* transform) {
  auto* box = static_cast<Box*>(shape);
  if (box->transform != nullptr) return box_apply_transform(shape, transform);
  box->corner1 = box->corner1 + *vector;
  box->corner2 = box->corner2 + *vector;
  set_untransformed_bounds(box);
}

void box_rotate(Shape* shape, const Vec3*, const Transform* transform) {
  box_apply_transform(shape, transform);
}

void box_scale(Shape* shape, const Vec3* vector, const Transform* transform) {
  auto* box = static_cast<Box*>(shape);
  if (box->transform != nullptr) return box_apply_transform(shape, transform);
  float* c1[3] = {&box->corner1.x, &box->corner1.y, &box->corner1.z};
  float* c2[3] = {&box->corner2.x, &box->corner2.y, &box->corner2.z};
  for (int k = 0; k < 3; ++k) {
    const float s = component(*vector, k);
    *c1[k] *= s;
    *c2[k] *= s;
    if (*c2[k] < *c1[k]) std::swap(*c1[k], *c2[k]);  // a negative scale mirrors
  }
  set_untransformed_bounds(box);
}

}  // namespace

const ShapeMethods box_methods = {box_all_intersections, box_normal, box_translate, box_rotate,
                                  box_scale, box_apply_transform, nullptr};
