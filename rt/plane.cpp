// The plane: one crossing per ray, the span open towards the inside.
#include "rt/plane.h"

#include <cmath>
#include <limits>

#include "rt/profile.h"
#include "rt/rt_tolerances.h"
#include "rt/shape_placement.h"

namespace {

ProfileScope plane_scope = PROFILE_SCOPE("All_Plane_Intersections");

constexpr float kInfinity = std::numeric_limits<float>::infinity();

// origin + depth * direction, where an infinite depth leaves the components
// the ray does not move along as they are (instead of 0 * infinity = NaN).
Vec3 point_towards(const Ray* ray, float depth) {
  const Vec3& o = ray->origin;
  const Vec3& d = ray->direction;
  auto along = [depth](float oc, float dc) { return dc == 0.0f ? oc : oc + dc * depth; };
  return {along(o.x, d.x), along(o.y, d.y), along(o.z, d.z)};
}

bool plane_all_intersections(Shape* shape, const Ray* ray, IntervalList* list) {
  profile_enter(&plane_scope);
  const auto* plane = static_cast<const Plane*>(shape);
  Vec3 o, d;
  shape_object_ray(shape, ray, &o, &d);
  bool hit = false;
  const float a = vec3_dot(plane->normal, d);
  // A ray parallel to the plane never yields a span, even inside the half-space.
  if (std::fabs(a) >= rt::kParallelEpsilon) {
    const float t = -(plane->distance + vec3_dot(plane->normal, o)) / a;
    const float entry = a < 0.0f ? t : -kInfinity;
    const float exit = a < 0.0f ? kInfinity : t;
    hit = exit > rt::kMinHitDepth && entry < ray->max_depth;
    if (hit) interval_push(list, shape, entry, exit, point_towards(ray, entry), point_towards(ray, exit), 0, 0);
  }
  profile_leave();
  return hit;
}

Vec3* plane_normal(Vec3* out, Shape* shape, const Hit*) {
  *out = shape_world_normal(shape, static_cast<const Plane*>(shape)->normal);
  return out;
}

void set_unbounded(Shape* shape) {
  box_from_corner(&shape->bounds, -rt::kUnboundedExtent, -rt::kUnboundedExtent,
                  -rt::kUnboundedExtent, 2 * rt::kUnboundedExtent, 2 * rt::kUnboundedExtent,
                  2 * rt::kUnboundedExtent);
}

void plane_apply_transform(Shape* shape, const Transform* transform) {
  shape_compose(shape, transform);
  set_unbounded(shape);
}

void plane_translate(Shape* shape, const Vec3* vector, const Transform* transform) {
  auto* plane = static_cast<Plane*>(shape);
  if (plane->transform != nullptr) return plane_apply_transform(shape, transform);
  plane->distance -= vec3_dot(plane->normal, *vector);
  set_unbounded(shape);
}

void plane_rotate(Shape* shape, const Vec3*, const Transform* transform) {
  auto* plane = static_cast<Plane*>(shape);
  if (plane->transform != nullptr) return plane_apply_transform(shape, transform);
  plane->normal = transform_direction(transform->matrix, plane->normal);
  set_unbounded(shape);
}

void plane_scale(Shape* shape, const Vec3* vector, const Transform* transform) {
  auto* plane = static_cast<Plane*>(shape);
  if (plane->transform != nullptr) return plane_apply_transform(shape, transform);
  const Vec3& s = *vector;
  const Vec3 n{plane->normal.x / s.x, plane->normal.y / s.y, plane->normal.z / s.z};
  const float length = vec3_length(n);
  plane->normal = n * (1.0f / length);
  plane->distance /= length;
  set_unbounded(shape);
}

}  // namespace

const ShapeMethods plane_methods = {plane_all_intersections, plane_normal, plane_translate,
                                    plane_rotate, plane_scale, plane_apply_transform, nullptr};
