// The ellipsoid: a sphere in its own object space, reached through its
// Transform. Directions are mapped without normalisation, so depths stay in
// units of the caller's ray.
#include "rt/profile.h"
#include "rt/shape_placement.h"
#include "rt/sphere.h"

namespace {

ProfileScope ellipsoid_scope = PROFILE_SCOPE("All_Ellipsoid_Intersections");

bool ellipsoid_all_intersections(Shape* shape, const Ray* ray, IntervalList* list) {
  profile_enter(&ellipsoid_scope);
  const auto* ellipsoid = static_cast<const Sphere*>(shape);
  Vec3 origin, direction;
  shape_object_ray(shape, ray, &origin, &direction);
  float entry = 0.0f, exit = 0.0f;
  const bool hit = sphere_crossing(ellipsoid, origin, direction, ray->max_depth, &entry, &exit);
  if (hit) {
    interval_push(list, shape, entry, exit, shape_world_point(shape, origin + direction * entry),
                  shape_world_point(shape, origin + direction * exit), 0, 0);
  }
  profile_leave();
  return hit;
}

Vec3* ellipsoid_normal(Vec3* out, Shape* shape, const Hit* hit) {
  const auto* ellipsoid = static_cast<const Sphere*>(shape);
  const Vec3 local = shape_object_point(shape, hit->point);
  *out = shape_world_normal(shape, local - ellipsoid->centre);
  return out;
}

}  // namespace

const ShapeMethods ellipsoid_methods = {ellipsoid_all_intersections, ellipsoid_normal,
                                        sphere_translate, sphere_rotate, sphere_scale,
                                        sphere_apply_transform, nullptr};
