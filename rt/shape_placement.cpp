// Helpers shared by the shape types' slots.
#include "rt/shape_placement.h"

void shape_object_ray_mapped(const Shape* shape, const Ray* ray, Vec3* origin, Vec3* direction) {
  *origin = transform_point(shape->transform->inverse, ray->origin);
  *direction = transform_direction(shape->transform->inverse, ray->direction);
}

bool shape_ensure_transform(Shape* shape) {
  if (shape->transform == nullptr) shape->transform = transform_create();
  return shape->transform != nullptr;
}

bool shape_compose(Shape* shape, const Transform* transform) {
  if (!shape_ensure_transform(shape)) return false;
  compose_transform(shape->transform, transform);
  return true;
}

void shape_bounds_from_object_box(Shape* shape, const Vec3& min, const Vec3& max) {
  shape->bounds = AxisBox{min, max};
  if (shape->transform != nullptr) box_of_transformed(shape->transform->matrix, &shape->bounds);
}

Vec3 shape_world_normal(const Shape* shape, const Vec3& object_normal) {
  if (shape->transform == nullptr) return object_normal;
  Vec3 n;
  vec3_normalize(n, transform_normal(shape->transform->inverse, object_normal));
  return n;
}

Vec3 shape_world_point(const Shape* shape, const Vec3& object_point) {
  if (shape->transform == nullptr) return object_point;
  return transform_point(shape->transform->matrix, object_point);
}

Vec3 shape_object_point(const Shape* shape, const Vec3& world_point) {
  if (shape->transform == nullptr) return world_point;
  return transform_point(shape->transform->inverse, world_point);
}
