// CSG intersection: the spans where both operands are inside.
#include "rt/csg.h"
#include "rt/profile.h"

namespace {

ProfileScope intersection_scope = PROFILE_SCOPE("Really_All_CSG_Intersect_Intersections");

// Appends the overlaps of two sorted, overlap-free lists; returns whether it
// appended any.
bool merge(const IntervalList& left, const IntervalList& right, const Ray* ray,
           IntervalList* list) {
  bool appended = false;
  int i = 0;  // into right
  for (int j = 0; j < left.count; ++j) {
    Interval l = left.records[j];
    for (;;) {
      while (i < right.count && right.records[i].exit.depth <= l.entry.depth) ++i;
      if (i == right.count) return appended;
      const Interval& r = right.records[i];
      if (l.exit.depth <= r.entry.depth) break;  // no overlap: next left span
      const Hit& entry = r.entry.depth >= l.entry.depth ? r.entry : l.entry;
      const Hit& exit = r.exit.depth <= l.exit.depth ? r.exit : l.exit;
      appended |= csg_append_if_valid(list, entry, exit, ray);
      if (!(r.exit.depth < l.exit.depth)) break;
      l.entry = r.exit;  // the left span goes on beyond r
    }
  }
  return appended;
}

bool intersection_all_intersections(Shape* shape, const Ray* ray, IntervalList* list) {
  auto* csg = static_cast<Csg*>(shape);
  Shape* a = csg->left;
  Shape* b = csg->right;
  if (!ray->box_test(a, ray) || !ray->box_test(b, ray)) return false;
  IntervalList right_list;
  right_list.count = 0;
  if (!csg_intersect(b, ray, &right_list)) return false;
  IntervalList left_list;
  left_list.count = 0;
  csg_intersect(a, ray, &left_list);
  profile_enter(&intersection_scope);
  const bool appended = merge(left_list, right_list, ray, list);
  profile_leave();
  return appended;
}

}  // namespace

const ShapeMethods csg_intersection_methods = {
    intersection_all_intersections,
    csg_normal,
    csg_translate,
    csg_rotate,
    csg_scale,
    csg_apply_transform,
    nullptr,
};
