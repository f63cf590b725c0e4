// CSG difference: the kept operand's spans with the subtracted operand's
// spans cut out. Hits taken from the subtracted operand carry the flag that
// turns their normal to face out of the result.
#include "rt/csg.h"
#include "rt/profile.h"

namespace {

ProfileScope difference_scope = PROFILE_SCOPE("Really_All_CSG_Difference_Intersections");

// Cuts the spans of `right` out of those of `left` (both sorted and
// overlap-free); returns whether it appended any.
bool merge(const IntervalList& left, const IntervalList& right, const Ray* ray,
           IntervalList* list) {
  bool appended = false;
  int i = 0;  // into right
  for (int j = 0; j < left.count; ++j) {
    Interval l = left.records[j];
    for (;;) {
      while (i < right.count && right.records[i].exit.depth <= l.entry.depth) ++i;
      if (i == right.count) {
        // Nothing left to subtract: the rest of this span, then every later one.
        appended |= csg_append_if_valid(list, l.entry, l.exit, ray);
        for (int k = j + 1; k < left.count; ++k)
          appended |= csg_append_if_valid(list, left.records[k].entry, left.records[k].exit, ray);
        return appended;
      }
      const Interval& r = right.records[i];
      if (r.entry.depth <= l.entry.depth && r.exit.depth >= l.exit.depth) break;  // covered
      if (l.exit.depth < r.entry.depth) {                                         // r lies beyond l
        appended |= csg_append_if_valid(list, l.entry, l.exit, ray);
        break;
      }
      if (r.entry.depth > l.entry.depth)  // the front piece, ending on r
        appended |= csg_append_if_valid(list, l.entry, csg_subtracted(r.entry), ray);
      if (!(r.exit.depth < l.exit.depth)) break;
      l.entry = csg_subtracted(r.exit);  // the back piece goes on
    }
  }
  return appended;
}

bool difference_all_intersections(Shape* shape, const Ray* ray, IntervalList* list) {
  auto* csg = static_cast<Csg*>(shape);
  Shape* a = csg->left;
  Shape* b = csg->right;
  if (!ray->box_test(a, ray)) return false;
  if (!ray->box_test(b, ray)) return csg_intersect(a, ray, list);
  IntervalList right_list;
  right_list.count = 0;
  if (!csg_intersect(b, ray, &right_list)) return csg_intersect(a, ray, list);
  IntervalList left_list;
  left_list.count = 0;
  csg_intersect(a, ray, &left_list);
  profile_enter(&difference_scope);
  const bool appended = merge(left_list, right_list, ray, list);
  profile_leave();
  return appended;
}

}  // namespace

const ShapeMethods csg_difference_methods = {
    difference_all_intersections, csg_normal, csg_translate, csg_rotate, csg_scale,
    csg_apply_transform,          nullptr,
};
