// Capped cone frustum x^2 + y^2 <= z^2, dist <= z <= 1 in object space.
#include "rt/cone.h"

#include <cmath>
#include <utility>

#include "rt/profile.h"
#include "rt/rt_tolerances.h"

namespace {

ProfileScope cone_scope = PROFILE_SCOPE("All_Cone_Intersections");

// The side candidate at object distance t lies between the caps.
void add_side(AxialHits* hits, const AxialRay& r, float dist, float t) {
  const float z = r.origin.z + t * r.direction.z;
  if (z >= dist && z <= 1.0f) axial_add(hits, t, kAxialSide);
}

bool cone_all_intersections(Shape* shape, const Ray* ray, IntervalList* list) {
  profile_enter(&cone_scope);
  auto* cone = static_cast<Cone*>(shape);
  const AxialRay local = axial_object_ray(cone, ray);
  const Vec3& o = local.origin;
  const Vec3& d = local.direction;
  AxialHits hits{};

  const float a = d.x * d.x + d.y * d.y - d.z * d.z;
  const float b = d.x * o.x + d.y * o.y - d.z * o.z;
  const float c = o.x * o.x + o.y * o.y - o.z * o.z;
  if (std::fabs(a) < rt::kAxialEpsilon) {
    if (std::fabs(b) > rt::kAxialEpsilon) add_side(&hits, local, cone->dist, -0.5f * c / b);
  } else {
    const float disc = b * b - a * c;
    if (disc >= 0.0f) {
      const float s = std::sqrt(disc);
      add_side(&hits, local, cone->dist, (-b - s) / a);
      add_side(&hits, local, cone->dist, (s - b) / a);
    }
  }
  if (std::fabs(d.z) > rt::kAxialEpsilon) {
    axial_add_cap(&hits, local, 1.0f, 1.0f, kApexCap);
    axial_add_cap(&hits, local, cone->dist, cone->dist * cone->dist, kBaseCap);
  }
  const bool appended = axial_finish(cone, ray, local, &hits, list);
  profile_leave();
  return appended;
}

Vec3 cone_side_normal(const Vec3& p) { return {p.x, p.y, -p.z}; }

Vec3* cone_normal(Vec3* out, Shape* shape, const Hit* hit) {
  return axial_normal(out, shape, hit, cone_side_normal);
}

}  // namespace

const ShapeMethods cone_methods = {
    cone_all_intersections, cone_normal,       axial_place, axial_place, axial_place,
    axial_apply_transform,  cone_compute_data,
};

void cone_compute_data(Shape* shape) {
  auto* cone = static_cast<Cone*>(shape);
  if (std::fabs(cone->apex_radius - cone->base_radius) < rt::kAxialEpsilon) {
    cylinder_compute_data(shape);
    return;
  }
  cone->methods = &cone_methods;
  if (cone->apex_radius < cone->base_radius) {  // the apex end is the wide end
    std::swap(cone->apex_point, cone->base_point);
    std::swap(cone->apex_radius, cone->base_radius);
  }
  Vec3 axis = cone->apex_point - cone->base_point;
  const float length = vec3_length(axis);
  if (length < rt::kAxialEpsilon) axial_degenerate("Degenerated cone, base point = apex point.");
  vec3_div_by(axis, length);
  // The full cone's tip lies `extension` beyond the base.
  const float extension = cone->base_radius * length / (cone->apex_radius - cone->base_radius);
  const Vec3 tip = cone->base_point - axis * extension;
  const float height = length + extension;
  cone->dist = extension / height;
  axial_set_frame(cone, axis, tip, cone->apex_radius, height);
  axial_update_bounds(cone);
}
