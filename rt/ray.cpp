// Ray preparation: everything a shape test needs per ray, computed once.
#include "rt/ray.h"

#include "rt/rt_tolerances.h"
#include "rt/vt_state.h"

namespace {

void set_sign_flags(const Vec3& v, int32_t not_positive[3], int32_t positive[3]) {
  const float c[3] = {v.x, v.y, v.z};
  for (int k = 0; k < 3; ++k) {
    positive[k] = c[k] > 0.0f ? 1 : 0;
    not_positive[k] = 1 - positive[k];
  }
}

void set_plane(RayPlane* plane, const Ray* ray, const Vec3& camera_axis) {
  vec3_cross(plane->normal, ray->direction, camera_axis);
  plane->distance = vec3_dot(plane->normal, -ray->origin);
  set_sign_flags(plane->normal, plane->not_positive, plane->positive);
}

}  // namespace

void ray_init(Ray* ray, const Vec3& origin, const Vec3& direction) {
  ray->origin = origin;
  ray->direction = direction;
  ray->max_depth = rt::kDefaultMaxDepth;
  matrix_identity(ray->matrix);
  matrix_identity(ray->inverse);
  ray_precompute(ray);
}

void ray_precompute(Ray* ray) {
  ray_precompute(ray, vtState.camera_right, vtState.camera_up);
}

void ray_precompute(Ray* ray, const Vec3& camera_right, const Vec3& camera_up) {
  const Vec3& o = ray->origin;
  const Vec3& d = ray->direction;
  ray->inv_direction = {1.0f / d.x, 1.0f / d.y, 1.0f / d.z};
  set_sign_flags(d, ray->dir_not_positive, ray->dir_positive);
  set_plane(&ray->plane_a, ray, camera_right);
  set_plane(&ray->plane_b, ray, camera_up);
  ray->moment_xy = o.x * d.y - o.y * d.x;
  ray->moment_xz = o.x * d.z - o.z * d.x;
  ray->moment_yz = o.y * d.z - o.z * d.y;
  ray->dir_class = (d.x >= 0.0f ? 4 : 0) + (d.y >= 0.0f ? 2 : 0) + (d.z >= 0.0f ? 1 : 0);
  ray->box_test = ray_box_test_for_class(ray->dir_class);
}
