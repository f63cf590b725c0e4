// CSG union: spans of either operand, overlapping or touching spans merged.
#include "rt/csg.h"
#include "rt/profile.h"

namespace {

ProfileScope union_scope = PROFILE_SCOPE("Really_All_CSG_Union_Intersections");

void append_rest(IntervalList* list, const IntervalList& from, int index) {
  for (; index < from.count; ++index) interval_copy(list, &from.records[index]);
}

// Merges two sorted, overlap-free lists into the caller's list.
void merge(const IntervalList& left, const IntervalList& right, IntervalList* list) {
  int i = 0;  // into right
  int j = 0;  // into left
  for (;;) {
    if (i == right.count) return append_rest(list, left, j);
    if (j == left.count) return append_rest(list, right, i);
    // Start a span with the interval that enters first (ties: right).
    const Interval& first = right.records[i].entry.depth > left.records[j].entry.depth
                                ? left.records[j++]
                                : right.records[i++];
    const Hit& entry = first.entry;
    Hit exit = first.exit;
    // Absorb every interval that starts at or before the span's exit.
    for (;;) {
      const Interval* next = nullptr;
      if (i < right.count && right.records[i].entry.depth <= exit.depth)
        next = &right.records[i++];
      else if (j < left.count && left.records[j].entry.depth <= exit.depth)
        next = &left.records[j++];
      if (next == nullptr) break;
      if (next->exit.depth >= exit.depth) exit = next->exit;
    }
    csg_append(list, entry, exit);
  }
}

bool union_all_intersections(Shape* shape, const Ray* ray, IntervalList* list) {
  auto* csg = static_cast<Csg*>(shape);
  Shape* a = csg->left;
  Shape* b = csg->right;
  const bool a_reached = ray->box_test(a, ray);
  const bool b_reached = ray->box_test(b, ray);
  if (!a_reached && !b_reached) return false;
  if (!a_reached) return csg_intersect(b, ray, list);
  if (!b_reached) return csg_intersect(a, ray, list);

  IntervalList left_list;
  left_list.count = 0;
  if (!csg_intersect(a, ray, &left_list)) return csg_intersect(b, ray, list);
  IntervalList right_list;
  right_list.count = 0;
  if (!csg_intersect(b, ray, &right_list)) {
    append_rest(list, left_list, 0);
    return true;
  }
  profile_enter(&union_scope);
  merge(left_list, right_list, list);
  profile_leave();
  return true;
}

}  // namespace

const ShapeMethods csg_union_methods = {
    union_all_intersections, csg_normal, csg_translate, csg_rotate, csg_scale,
    csg_apply_transform,     nullptr,
};
