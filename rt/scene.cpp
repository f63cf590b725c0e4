// Scene-building helpers: allocation, filling and placement of shapes.
#include "rt/scene.h"

#include <cstdlib>
#include <vector>

#include "rt/box.h"
#include "rt/csg.h"
#include "rt/cylinder.h"
#include "rt/plane.h"
#include "rt/rt_tolerances.h"
#include "rt/sphere.h"
#include "rt/torus.h"
#include "rt/transformed.h"

namespace {

// Everything the helpers allocate, kept for the whole run (never destroyed,
// so it is still reachable when leak checkers look at exit).
std::vector<void*>& registry() {
  static auto* blocks = new std::vector<void*>;
  return *blocks;
}

template <typename T>
T* make_shape(const ShapeMethods* methods) {
  T* shape = new T{};
  registry().push_back(shape);
  shape->methods = methods;
  shape->transform = nullptr;
  return shape;
}

// A shape that needs a Transform cannot be built without one: the engine's
// fatal status, after transform_create's own message.
Transform* new_transform() {
  Transform* t = transform_create();
  if (t == nullptr) std::exit(rt::kGeometryFatalStatus);
  return t;
}

// Sets the bounds of a freshly filled shape: a move by nothing runs the
// type's own bounds rule without changing its data.
template <typename T>
T* settle(T* shape) {
  scene_translate(shape, Vec3{0.0f, 0.0f, 0.0f});
  return shape;
}

Shape* make_axial(const ShapeMethods* methods, const Vec3& base_point, float base_radius,
                  const Vec3& apex_point, float apex_radius) {
  auto* shape = make_shape<Cylinder>(methods);
  shape->transform = new_transform();
  shape->base_point = base_point;
  shape->base_radius = base_radius;
  shape->apex_point = apex_point;
  shape->apex_radius = apex_radius;
  shape->methods->Compute_Data(shape);
  return shape;
}

Shape* make_csg(const ShapeMethods* methods, Shape* left, Shape* right) {
  auto* csg = make_shape<Csg>(methods);
  csg->left = left;
  csg->right = right;
  csg_update_bounds(csg);
  return csg;
}

}  // namespace

Shape* scene_sphere(const Vec3& centre, float radius) {
  auto* sphere = make_shape<Sphere>(&sphere_methods);
  sphere->centre = centre;
  sphere->radius = radius;
  sphere->radius_squared = radius * radius;
  return settle(sphere);
}

Shape* scene_box(const Vec3& corner1, const Vec3& corner2) {
  auto* box = make_shape<Box>(&box_methods);
  vec3_min(box->corner1, corner1, corner2);
  vec3_max(box->corner2, corner1, corner2);
  return settle(box);
}

Shape* scene_plane(const Vec3& normal, float distance) {
  auto* plane = make_shape<Plane>(&plane_methods);
  vec3_normalize(plane->normal, normal);
  plane->distance = distance / vec3_length(normal);
  return settle(plane);
}

Shape* scene_polyhedron(const PolyFace* faces, int face_count, const Vec3& min, const Vec3& max) {
  if (face_count < 0) face_count = 0;
  auto* copy = new PolyFace[face_count > 0 ? face_count : 1];
  registry().push_back(copy);
  for (int i = 0; i < face_count; ++i) copy[i] = faces[i];
  auto* poly = make_shape<Polyhedron>(&polyhedron_methods);
  poly->face_count = face_count;
  poly->faces = copy;
  poly->object_min = min;
  poly->object_max = max;
  return settle(poly);
}

Shape* scene_torus(float major_radius, float minor_radius) {
  auto* torus = make_shape<Torus>(&torus_methods);
  torus->transform = new_transform();
  torus->major_radius = major_radius;
  torus->minor_radius = minor_radius;
  return settle(torus);
}

Shape* scene_cylinder(const Vec3& base_point, const Vec3& apex_point, float radius) {
  return make_axial(&cylinder_methods, base_point, radius, apex_point, radius);
}

Shape* scene_cone(const Vec3& base_point, float base_radius, const Vec3& apex_point,
                  float apex_radius) {
  return make_axial(&cone_methods, base_point, base_radius, apex_point, apex_radius);
}

Shape* scene_transformed(Shape* child) {
  auto* object = make_shape<Transformed>(&transformed_methods);
  object->own_transform = new_transform();
  object->child = child;
  object->accumulated = nullptr;
  return settle(object);
}

Shape* scene_union(Shape* left, Shape* right) { return make_csg(&csg_union_methods, left, right); }

Shape* scene_intersection(Shape* left, Shape* right) {
  return make_csg(&csg_intersection_methods, left, right);
}

Shape* scene_difference(Shape* left, Shape* right) {
  return make_csg(&csg_difference_methods, left, right);
}

void scene_translate(Shape* shape, const Vec3& offset) {
  Transform t;
  make_translation(&t, offset);
  shape->methods->Translate(shape, &offset, &t);
}

void scene_rotate(Shape* shape, const Vec3& axis, float angle) {
  Transform t;
  make_rotation(&t, axis, angle);
  shape->methods->Rotate(shape, &axis, &t);
}

void scene_scale(Shape* shape, const Vec3& factors) {
  Transform t;
  make_scaling(&t, factors);
  shape->methods->Scale(shape, &factors, &t);
}

void scene_transform(Shape* shape, const Transform& transform) {
  shape->methods->Apply_Transform(shape, &transform);
}

bool scene_intersect(Shape* shape, const Vec3& origin, const Vec3& direction, IntervalList* list) {
  Ray ray;
  ray_init(&ray, origin, direction);
  list->count = 0;
  return shape->methods->All_Intersections(shape, &ray, list);
}

Vec3 scene_normal(Shape* shape, const Hit& hit) {
  Vec3 n;
  shape->methods->Normal(&n, shape, &hit);
  return n;
}
