// The convex polyhedron: the ray clipped by every face plane in turn.
#include "rt/polyhedron.h"

#include "rt/profile.h"
#include "rt/rt_tolerances.h"
#include "rt/shape_placement.h"

namespace {

ProfileScope polyhedron_scope = PROFILE_SCOPE("All_Polyhedron_Intersections");

// A missing face array counts as no faces.
int32_t usable_faces(const Polyhedron* poly) {
  return poly->faces == nullptr || poly->face_count < 0 ? 0 : poly->face_count;
}

struct Clip {
  float tnear = -rt::kFarDepth;
  float tfar = rt::kFarDepth;
  int32_t near_face = 0;
  int32_t far_face = 0;
};

// Clips by face i; false when the ray misses.
bool clip_face(Clip* clip, const PolyFace& face, int32_t i, const Vec3& o, const Vec3& d) {
  const float vd = vec3_dot(face.normal, d);
  const float vn = vec3_dot(face.normal, o) + face.distance;
  if (vd == 0.0f) return !(vn > 0.0f);  // parallel: outside misses, inside skips
  const float t = -vn / vd;
  if (vd < 0.0f) {  // entering
    if (t > clip->tfar) return false;
    if (t > clip->tnear) {
      clip->tnear = t;
      clip->near_face = i;
    }
  } else {  // leaving
    if (t < clip->tnear) return false;
    if (t < clip->tfar) {
      clip->tfar = t;
      clip->far_face = i;
    }
  }
  return true;
}

bool polyhedron_all_intersections(Shape* shape, const Ray* ray, IntervalList* list) {
  profile_enter(&polyhedron_scope);
  const auto* poly = static_cast<const Polyhedron*>(shape);
  Vec3 o, d;
  shape_object_ray(shape, ray, &o, &d);
  Clip clip;
  bool hit = true;
  for (int32_t i = usable_faces(poly) - 1; i >= 0 && hit; --i) hit = clip_face(&clip, poly->faces[i], i, o, d);
  hit = hit && clip.tfar > rt::kMinHitDepth && clip.tnear < ray->max_depth;
  if (hit) {
    interval_push(list, shape, clip.tnear, clip.tfar, ray_point(ray, clip.tnear),
                  ray_point(ray, clip.tfar), clip.near_face, clip.far_face);
  }
  profile_leave();
  return hit;
}

Vec3* polyhedron_normal(Vec3* out, Shape* shape, const Hit* hit) {
  const auto* poly = static_cast<const Polyhedron*>(shape);
  // A face index outside the array has no normal: zero.
  if (hit->surface < 0 || hit->surface >= usable_faces(poly)) {
    *out = Vec3{0, 0, 0};
    return out;
  }
  *out = shape_world_normal(shape, poly->faces[hit->surface].normal);
  return out;
}

void polyhedron_apply_transform(Shape* shape, const Transform* transform) {
  auto* poly = static_cast<Polyhedron*>(shape);
  shape_compose(poly, transform);
  shape_bounds_from_object_box(poly, poly->object_min, poly->object_max);
}

// Every placement is composed into the polyhedron's Transform.
void polyhedron_place(Shape* shape, const Vec3*, const Transform* transform) {
  polyhedron_apply_transform(shape, transform);
}

}  // namespace

const ShapeMethods polyhedron_methods = {polyhedron_all_intersections, polyhedron_normal,
                                         polyhedron_place, polyhedron_place, polyhedron_place,
                                         polyhedron_apply_transform, nullptr};
