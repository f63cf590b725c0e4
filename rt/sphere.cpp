// The sphere: intersected directly in world space.
#include "rt/sphere.h"

#include <cmath>

#include "rt/profile.h"
#include "rt/rt_tolerances.h"
#include "rt/shape_placement.h"

namespace {

ProfileScope sphere_scope = PROFILE_SCOPE("All_Sphere_Intersections");

bool sphere_all_intersections(Shape* shape, const Ray* ray, IntervalList* list) {
  profile_enter(&sphere_scope);
  float entry = 0.0f, exit = 0.0f;
  const bool hit = sphere_crossing(static_cast<Sphere*>(shape), ray->origin, ray->direction,
                                   ray->max_depth, &entry, &exit);
  if (hit) interval_push(list, shape, entry, exit, ray_point(ray, entry), ray_point(ray, exit), 0, 0);
  profile_leave();
  return hit;
}

// Unit length by construction: the hit point lies on the sphere.
Vec3* sphere_normal(Vec3* out, Shape* shape, const Hit* hit) {
  const auto* sphere = static_cast<const Sphere*>(shape);
  *out = (hit->point - sphere->centre) * (1.0f / sphere->radius);
  return out;
}

// A shape that must acquire a Transform becomes an ellipsoid.
bool become_ellipsoid(Sphere* sphere) {
  if (sphere->transform == nullptr) {
    if (!shape_ensure_transform(sphere)) return false;
    sphere->methods = &ellipsoid_methods;
  }
  return true;
}

void update_bounds(Sphere* sphere) {
  const float r = sphere->radius;
  const Vec3& c = sphere->centre;
  AxisBox box;
  box_from_corner(&box, c.x - r, c.y - r, c.z - r, 2 * r, 2 * r, 2 * r);
  shape_bounds_from_object_box(sphere, box.min, box.max);
}

}  // namespace

bool sphere_crossing(const Sphere* sphere, const Vec3& origin, const Vec3& direction,
                     float max_depth, float* entry, float* exit) {
  const Vec3 oc = origin - sphere->centre;
  const float a = vec3_dot(direction, direction);
  const float b = vec3_dot(oc, direction * 2.0f);
  const float c = vec3_dot(oc, oc) - sphere->radius_squared;
  const float disc = b * b - 4.0f * a * c;
  if (!(disc > rt::kMinDiscriminant)) return false;
  const float s = rt_sqrt(disc);
  *entry = (-b - s) / (2.0f * a);
  *exit = (s - b) / (2.0f * a);
  return *exit > rt::kMinHitDepth && *entry < max_depth;
}

void sphere_translate(Shape* shape, const Vec3* vector, const Transform* transform) {
  auto* sphere = static_cast<Sphere*>(shape);
  if (sphere->transform != nullptr) compose_transform(sphere->transform, transform);
  else sphere->centre = sphere->centre + *vector;
  update_bounds(sphere);
}

void sphere_rotate(Shape* shape, const Vec3*, const Transform* transform) {
  auto* sphere = static_cast<Sphere*>(shape);
  if (sphere->transform != nullptr) compose_transform(sphere->transform, transform);
  else sphere->centre = transform_point(transform->matrix, sphere->centre);
  update_bounds(sphere);
}

void sphere_scale(Shape* shape, const Vec3* vector, const Transform* transform) {
  auto* sphere = static_cast<Sphere*>(shape);
  const Vec3& s = *vector;
  if (s.x == s.y && s.y == s.z && sphere->transform == nullptr) {
    sphere->centre = sphere->centre * s.x;
    sphere->radius *= std::fabs(s.x);
    sphere->radius_squared = sphere->radius * sphere->radius;
  } else if (become_ellipsoid(sphere)) {
    compose_transform(sphere->transform, transform);
  }
  update_bounds(sphere);
}

void sphere_apply_transform(Shape* shape, const Transform* transform) {
  auto* sphere = static_cast<Sphere*>(shape);
  if (become_ellipsoid(sphere)) compose_transform(sphere->transform, transform);
  update_bounds(sphere);
}

const ShapeMethods sphere_methods = {sphere_all_intersections, sphere_normal, sphere_translate,
                                     sphere_rotate, sphere_scale, sphere_apply_transform, nullptr};
