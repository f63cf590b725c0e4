// The ray-box test: one rule, specialised per direction class so that the
// corner choices are fixed at compile time.
//
// The half-line meets the box iff (1) the origin is not already past the box
// on an axis it moves away from, and (2) for each axis pair (i, j) the line's
// projection passes between the corners of the box's projection. For a pair,
// f(P) = d_i*P_j - d_j*P_i + m_ij is zero on the projected line; f grows with
// P_j when d_i >= 0 and with P_i when d_j < 0, so the class tells which corner
// maximises f and which minimises it. Touching (f = 0) counts as a hit.
#include <array>

#include "rt/ray.h"
#include "rt/shape.h"

namespace {

// Component k of v (0 = x, 1 = y, 2 = z), resolved at compile time.
template <int K>
constexpr float axis(const Vec3& v) {
  if constexpr (K == 0) return v.x;
  else if constexpr (K == 1) return v.y;
  else return v.z;
}

// Bit of the direction class that says "component K is non-negative".
template <int Class, int K>
constexpr bool non_negative() {
  return (Class >> (2 - K)) & 1;
}

template <int Class, int K>
bool origin_may_reach(const AxisBox& box, const Vec3& o) {
  if constexpr (non_negative<Class, K>()) return !(axis<K>(o) > axis<K>(box.max));
  else return !(axis<K>(o) < axis<K>(box.min));
}

template <int Class, int I, int J>
bool line_passes_pair(const AxisBox& box, const Vec3& d, float moment) {
  constexpr bool di_pos = non_negative<Class, I>();
  constexpr bool dj_pos = non_negative<Class, J>();
  const float di = axis<I>(d);
  const float dj = axis<J>(d);
  // Corner of greatest f: high P_j when d_i >= 0, high P_i when d_j < 0.
  const float gj = di_pos ? axis<J>(box.max) : axis<J>(box.min);
  const float gi = dj_pos ? axis<I>(box.min) : axis<I>(box.max);
  // Corner of least f: the opposite corner.
  const float lj = di_pos ? axis<J>(box.min) : axis<J>(box.max);
  const float li = dj_pos ? axis<I>(box.max) : axis<I>(box.min);
  if (di * gj + moment - dj * gi < 0.0f) return false;
  return !(di * lj + moment - dj * li > 0.0f);
}

template <int Class>
bool ray_box_test(const Shape* shape, const Ray* ray) {
  const AxisBox& box = shape->bounds;
  const Vec3& o = ray->origin;
  const Vec3& d = ray->direction;
  return origin_may_reach<Class, 0>(box, o) && origin_may_reach<Class, 1>(box, o) &&
         origin_may_reach<Class, 2>(box, o) &&
         line_passes_pair<Class, 0, 1>(box, d, ray->moment_xy) &&
         line_passes_pair<Class, 0, 2>(box, d, ray->moment_xz) &&
         line_passes_pair<Class, 1, 2>(box, d, ray->moment_yz);
}

constexpr std::array<RayBoxTest, 8> kBoxTests = {
    ray_box_test<0>, ray_box_test<1>, ray_box_test<2>, ray_box_test<3>,
    ray_box_test<4>, ray_box_test<5>, ray_box_test<6>, ray_box_test<7>};

}  // namespace

RayBoxTest ray_box_test_for_class(int dir_class) { return kBoxTests[dir_class & 7]; }
