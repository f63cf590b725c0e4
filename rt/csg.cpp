// Routines shared by the three CSG types: normals, placement and helpers of
// the merges.
#include "rt/csg.h"

#include "rt/rt_tolerances.h"
#include "rt/transformed.h"

namespace {

template <typename Slot>
void forward_to_operands(Shape* shape, Slot slot) {
  auto* csg = static_cast<Csg*>(shape);
  slot(csg->left);
  slot(csg->right);
  csg_update_bounds(csg);
}

}  // namespace

Vec3* csg_normal(Vec3* out, Shape*, const Hit* hit) { return normal_dispatch(out, hit); }

void csg_translate(Shape* shape, const Vec3* vector, const Transform* transform) {
  forward_to_operands(shape, [&](Shape* s) { s->methods->Translate(s, vector, transform); });
}

void csg_rotate(Shape* shape, const Vec3* vector, const Transform* transform) {
  forward_to_operands(shape, [&](Shape* s) { s->methods->Rotate(s, vector, transform); });
}

void csg_scale(Shape* shape, const Vec3* vector, const Transform* transform) {
  forward_to_operands(shape, [&](Shape* s) { s->methods->Scale(s, vector, transform); });
}

void csg_apply_transform(Shape* shape, const Transform* transform) {
  forward_to_operands(shape, [&](Shape* s) { s->methods->Apply_Transform(s, transform); });
}

void csg_append(IntervalList* list, const Hit& entry, const Hit& exit) {
  const Interval span{entry, exit};
  interval_copy(list, &span);
}

bool csg_append_if_valid(IntervalList* list, const Hit& entry, const Hit& exit, const Ray* ray) {
  if (!(exit.depth > rt::kMinHitDepth && entry.depth < ray->max_depth)) return false;
  csg_append(list, entry, exit);
  return true;
}

Hit csg_subtracted(const Hit& hit) {
  Hit turned = hit;
  turned.flag ^= 1;
  return turned;
}
