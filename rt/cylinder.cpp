// Capped cylinder, and the routines it shares with the cone: the object-space
// ray, the finish step, the axis frame, bounds, placement and normals.
#include "rt/cylinder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <utility>

#include "rt/profile.h"
#include "rt/rt_tolerances.h"

namespace {

ProfileScope cylinder_scope = PROFILE_SCOPE("All_Cylinder_Intersections");

Vec3 cylinder_side_normal(const Vec3& p) { return {p.x, p.y, 0.0f}; }

bool cylinder_all_intersections(Shape* shape, const Ray* ray, IntervalList* list) {
  profile_enter(&cylinder_scope);
  auto* cyl = static_cast<Cylinder*>(shape);
  const AxialRay local = axial_object_ray(cyl, ray);
  const Vec3& o = local.origin;
  const Vec3& d = local.direction;
  AxialHits hits{};

  const float a = d.x * d.x + d.y * d.y;
  if (a > rt::kAxialEpsilon) {
    const float b = o.x * d.x + o.y * d.y;
    const float c = o.x * o.x + o.y * o.y - 1.0f;
    const float disc = b * b - a * c;
    if (disc >= 0.0f) {
      const float s = std::sqrt(disc);
      for (float t : {(s - b) / a, (-b - s) / a}) {
        const float z = o.z + t * d.z;
        if (z >= 0.0f && z <= 1.0f) axial_add(&hits, t, kAxialSide);
      }
    }
  }
  if (std::fabs(d.z) > rt::kAxialEpsilon) {
    axial_add_cap(&hits, local, 1.0f, 1.0f, kApexCap);
    axial_add_cap(&hits, local, cyl->dist, 1.0f, kBaseCap);
  }
  const bool appended = axial_finish(cyl, ray, local, &hits, list);
  profile_leave();
  return appended;
}

Vec3* cylinder_normal(Vec3* out, Shape* shape, const Hit* hit) {
  return axial_normal(out, shape, hit, cylinder_side_normal);
}

}  // namespace

const ShapeMethods cylinder_methods = {
    cylinder_all_intersections, cylinder_normal,       axial_place, axial_place, axial_place,
    axial_apply_transform,      cylinder_compute_data,
};

void cylinder_compute_data(Shape* shape) {
  auto* cyl = static_cast<Cylinder*>(shape);
  if (std::fabs(cyl->apex_radius - cyl->base_radius) > rt::kAxialEpsilon) {
    cone_compute_data(shape);
    return;
  }
  cyl->methods = &cylinder_methods;
  Vec3 axis = cyl->apex_point - cyl->base_point;
  const float length = vec3_length(axis);
  if (length < rt::kAxialEpsilon)
    axial_degenerate("Degenerated cylinder, base point = apex point.");
  vec3_div_by(axis, length);
  axial_set_frame(cyl, axis, cyl->base_point, cyl->apex_radius, length);
  cyl->dist = 0.0f;
  axial_update_bounds(cyl);
}

AxialRay axial_object_ray(const Cylinder* shape, const Ray* ray) {
  AxialRay local;
  local.origin = transform_point(shape->transform->inverse, ray->origin);
  const Vec3 d = transform_direction(shape->transform->inverse, ray->direction);
  local.scale = 1.0f / vec3_length(d);
  local.direction = d * local.scale;
  return local;
}

void axial_add_cap(AxialHits* hits, const AxialRay& r, float z, float radius_squared,
                   int32_t surface) {
  const Vec3& o = r.origin;
  const Vec3& d = r.direction;
  const float t = (z - o.z) / d.z;
  const float x = o.x + t * d.x;
  const float y = o.y + t * d.y;
  if (x * x + y * y <= radius_squared) axial_add(hits, t, surface);
}

bool axial_finish(Cylinder* shape, const Ray* ray, const AxialRay& local, AxialHits* hits,
                  IntervalList* list) {
  for (int i = 0; i < hits->count; ++i) hits->depth[i] *= local.scale;
  int n = hits->count;
  if (n > 1) {
    if (hits->depth[1] < hits->depth[0]) {
      std::swap(hits->depth[0], hits->depth[1]);
      std::swap(hits->surface[0], hits->surface[1]);
    }
    if (!(hits->depth[1] > rt::kAxialNearDepth) || !(hits->depth[0] < ray->max_depth)) n = 0;
  }
  if (n < 2) return false;  // a single crossing closes nothing
  const Vec3 entry = ray->origin + ray->direction * hits->depth[0];
  const Vec3 exit = ray->origin + ray->direction * hits->depth[1];
  interval_push(list, shape, hits->depth[0], hits->depth[1], entry, exit, hits->surface[0],
                hits->surface[1]);
  return true;
}

void axial_set_frame(Cylinder* shape, Vec3 axis, const Vec3& origin, float radius, float height) {
  Transform* own = shape->transform;
  make_scaling(own, Vec3{radius, radius, height});
  Vec3 turn_axis{-axis.y, axis.x, 0.0f};
  if (std::fabs(static_cast<double>(axis.z)) > rt::kAxisAlignedZ ||
      (axis.x == 0.0f && axis.y == 0.0f)) {
    turn_axis = Vec3{1.0f, 0.0f, 0.0f};
    axis.z = axis.z < 0.0f ? -1.0f : 1.0f;
  }
  Transform step;
  make_rotation(&step, turn_axis, std::acos(axis.z));
  compose_transform(own, &step);
  make_translation(&step, origin);
  compose_transform(own, &step);
}

void axial_update_bounds(Cylinder* shape) {
  box_from_corner(&shape->bounds, -1.0f, -1.0f, shape->dist, 2.0f, 2.0f, 1.0f - shape->dist);
  box_of_transformed(shape->transform->matrix, &shape->bounds);
}

void axial_place(Shape* shape, const Vec3*, const Transform* transform) {
  axial_apply_transform(shape, transform);
}

void axial_apply_transform(Shape* shape, const Transform* transform) {
  compose_transform(shape->transform, transform);
  axial_update_bounds(static_cast<Cylinder*>(shape));
}

Vec3* axial_normal(Vec3* out, const Shape* shape, const Hit* hit, Vec3 (*side)(const Vec3& p)) {
  const Matrix4& inverse = shape->transform->inverse;
  const Vec3 p = transform_point(inverse, hit->point);
  Vec3 n{0.0f, 0.0f, 0.0f};
  switch (hit->surface) {
    case kBaseCap:
      n = Vec3{0.0f, 0.0f, -1.0f};
      break;
    case kApexCap:
      n = Vec3{0.0f, 0.0f, 1.0f};
      break;
    default:
      n = side(p);
      break;
  }
  vec3_normalize(*out, transform_normal(inverse, n));
  return out;
}

void axial_degenerate(const char* message) {
  std::fprintf(stderr, "%s\n", message);
  std::exit(rt::kGeometryFatalStatus);
}
