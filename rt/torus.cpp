// Torus intersection by the quartic in the ray depth, with the ray mapped into
// object space and normalised there so that the leading coefficient is 1.
#include "rt/torus.h"

#include <cmath>

#include "rt/profile.h"
#include "rt/roots.h"
#include "rt/rt_tolerances.h"

namespace {

ProfileScope torus_scope = PROFILE_SCOPE("All_Torus_Intersections");

// A pair of depths is a span in front of the ray and within its limit.
bool pair_accepted(float entry, float exit, float max_depth) {
  return exit > rt::kMinHitDepth && entry < max_depth;
}

// The depths of at most two kept pairs moved to the front; returns 0, 2 or 4.
int accept_pairs(float t[4], int n, float max_depth) {
  if (n == 4) {
    const bool first = pair_accepted(t[0], t[1], max_depth);
    if (pair_accepted(t[2], t[3], max_depth)) {
      if (first) return 4;
      t[0] = t[2];
      t[1] = t[3];
      return 2;
    }
    return first ? 2 : 0;
  }
  if (n == 2) return pair_accepted(t[0], t[1], max_depth) ? 2 : 0;
  return 0;
}

bool torus_all_intersections(Shape* shape, const Ray* ray, IntervalList* list) {
  profile_enter(&torus_scope);
  const auto* torus = static_cast<const Torus*>(shape);
  const Vec3 o = transform_point(shape->transform->inverse, ray->origin);
  Vec3 d = transform_direction(shape->transform->inverse, ray->direction);
  const float k = 1.0f / vec3_length(d);
  d = d * k;

  const float r2_major = torus->major_radius * torus->major_radius;
  const float r2_minor = torus->minor_radius * torus->minor_radius;
  const float u = vec3_dot(o, o) - r2_major - r2_minor;
  const float od = vec3_dot(o, d);
  const float c[5] = {
      u * u + 4.0f * r2_major * (o.y * o.y - r2_minor),
      4.0f * od * u + 8.0f * r2_major * o.y * d.y,
      2.0f * u + 4.0f * r2_major * d.y * d.y + 4.0f * od * od,
      4.0f * od,
      1.0f,
  };
  float t[4];
  int n = solve_quartic(c, t) & ~1;  // an odd last root is dropped
  for (int i = 0; i < n; ++i) t[i] *= k;
  sort_ascending(t, n);
  n = accept_pairs(t, n, ray->max_depth);
  for (int i = 0; i < n; i += 2) {
    interval_push(list, shape, t[i], t[i + 1], ray->origin + ray->direction * t[i],
                  ray->origin + ray->direction * t[i + 1], 0, 0);
  }
  profile_leave();
  return n > 0;
}

Vec3* torus_normal(Vec3* out, Shape* shape, const Hit* hit) {
  const auto* torus = static_cast<const Torus*>(shape);
  const Matrix4& inverse = shape->transform->inverse;
  const Vec3 p = transform_point(inverse, hit->point);
  const float d = std::sqrt(p.x * p.x + p.z * p.z);
  Vec3 ring{0.0f, 0.0f, 0.0f};
  if (d > rt::kAxisDistanceEpsilon) {
    const float s = torus->major_radius / d;
    ring = Vec3{p.x * s, 0.0f, p.z * s};
  }
  vec3_normalize(*out, transform_normal(inverse, p - ring));
  return out;
}

void torus_apply_transform(Shape* shape, const Transform* transform) {
  const auto* torus = static_cast<const Torus*>(shape);
  compose_transform(shape->transform, transform);
  const float outer = torus->major_radius + torus->minor_radius;
  const float r = torus->minor_radius;
  box_from_corner(&shape->bounds, -outer, -r, -outer, 2.0f * outer, 2.0f * r, 2.0f * outer);
  box_of_transformed(shape->transform->matrix, &shape->bounds);
}

void torus_place(Shape* shape, const Vec3*, const Transform* transform) {
  torus_apply_transform(shape, transform);
}

}  // namespace

const ShapeMethods torus_methods = {
    torus_all_intersections, torus_normal, torus_place, torus_place, torus_place,
    torus_apply_transform,   nullptr,
};
