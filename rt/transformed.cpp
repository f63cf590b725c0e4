// Transformed objects and the normal dispatch.
#include "rt/transformed.h"

#include <cstring>

#include "rt/profile.h"

// One accumulated child-to-world transform of a transformed object. Records
// are immutable once made; `next_of_object` chains those of one object and
// `next_made` all records ever made (so they stay reachable for the run).
struct AccumulatedTransform {
  Transform transform;
  AccumulatedTransform* next_of_object;
  AccumulatedTransform* next_made;
};

namespace {

ProfileScope transformed_scope = PROFILE_SCOPE("All_TRANSFORMED_Intersections");
AccumulatedTransform* all_accumulated = nullptr;

bool same_transform(const Transform& a, const Transform& b) {
  return std::memcmp(&a.matrix, &b.matrix, sizeof a.matrix) == 0 &&
         std::memcmp(&a.inverse, &b.inverse, sizeof a.inverse) == 0;
}

// The object's record equal to `wanted`, made on first use.
const Transform* accumulated_record(Transformed* object, const Transform& wanted) {
  for (AccumulatedTransform* a = object->accumulated; a != nullptr; a = a->next_of_object)
    if (same_transform(a->transform, wanted)) return &a->transform;
  auto* made = new AccumulatedTransform{wanted, object->accumulated, all_accumulated};
  object->accumulated = made;
  all_accumulated = made;
  return &made->transform;
}

// Re-expresses one hit the child appended in the caller's space.
void lift_hit(Hit* hit, const Ray* caller, const Transform* accumulated) {
  hit->point = caller->origin + caller->direction * hit->depth;
  if (hit->hit_transform == nullptr) hit->hit_transform = accumulated;
}

bool transformed_all_intersections(Shape* shape, const Ray* ray, IntervalList* list) {
  profile_enter(&transformed_scope);
  auto* object = static_cast<Transformed*>(shape);
  const Transform* own = object->own_transform;
  Ray local;
  ray_init(&local, transform_point(own->inverse, ray->origin),
           transform_direction(own->inverse, ray->direction));
  // Depths are in the caller's units, so the caller's limit applies as is.
  local.max_depth = ray->max_depth;
  matrix_multiply(local.matrix, own->matrix, ray->matrix);
  matrix_multiply(local.inverse, ray->inverse, own->inverse);

  // A full list lets the child replace its last record: that one is the
  // child's then, and must be lifted too.
  int first = list->count < kIntervalListMaxCount ? list->count : kIntervalListMaxCount - 1;
  if (first < 0) first = 0;
  Shape* child = object->child;
  if (!child->methods->All_Intersections(child, &local, list)) {
    profile_leave();
    return false;
  }
  const Transform* accumulated = accumulated_record(object, Transform{local.matrix, local.inverse});
  for (int i = first; i < list->count; ++i) {
    lift_hit(&list->records[i].entry, ray, accumulated);
    lift_hit(&list->records[i].exit, ray, accumulated);
  }
  profile_leave();
  return true;
}

Vec3* transformed_normal(Vec3* out, Shape*, const Hit* hit) { return normal_dispatch(out, hit); }

void transformed_apply_transform(Shape* shape, const Transform* transform) {
  auto* object = static_cast<Transformed*>(shape);
  compose_transform(object->own_transform, transform);
  object->bounds = object->child->bounds;
  box_of_transformed(object->own_transform->matrix, &object->bounds);
}

void transformed_place(Shape* shape, const Vec3*, const Transform* transform) {
  transformed_apply_transform(shape, transform);
}

}  // namespace

const ShapeMethods transformed_methods = {
    transformed_all_intersections,
    transformed_normal,
    transformed_place,
    transformed_place,
    transformed_place,
    transformed_apply_transform,
    nullptr,
};

Vec3* normal_dispatch(Vec3* out, const Hit* hit) {
  Shape* object = hit->object;
  const Transform* h = hit->hit_transform;
  if (h == nullptr) {
    object->methods->Normal(out, object, hit);
  } else {
    Hit local = *hit;
    local.point = transform_point(h->inverse, hit->point);
    Vec3 n;
    object->methods->Normal(&n, object, &local);
    vec3_normalize(*out, transform_normal(h->inverse, n));
  }
  if (hit->flag) vec3_neg(*out, *out);
  return out;
}
