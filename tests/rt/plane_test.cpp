// The plane: half-space spans with an infinite end, normals and placement.
#include <cmath>

#include "rt/plane.h"
#include "shape_test_support.h"

namespace {

Plane make_plane(const Vec3& normal, float distance) {
  Plane p{};
  p.methods = &plane_methods;
  p.normal = normal;
  p.distance = distance;
  return p;
}

struct PlaneRay {
  const char* name;
  Vec3 origin, direction;
  bool hit;
  float entry, exit;  // +-INFINITY for the open end
};

constexpr float kInf = INFINITY;

class PlaneZRays : public FreshProfilerTest, public ::testing::WithParamInterface<PlaneRay> {};

TEST_P(PlaneZRays, GiveTheListedSpan) {
  const PlaneRay& c = GetParam();
  Plane p = make_plane({0, 0, 1}, 0);
  const SlotResult r = intersect(&p, make_test_ray(c.origin, c.direction));
  ASSERT_EQ(r.hit, c.hit) << c.name;
  if (!c.hit) return;
  EXPECT_EQ(r.list.records[0].entry.depth, c.entry) << c.name;
  EXPECT_EQ(r.list.records[0].exit.depth, c.exit) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaneZRays,
    ::testing::Values(PlaneRay{"entering from outside", {0, 0, 5}, {0, 0, -1}, true, 5, kInf},
                      PlaneRay{"inside moving away", {0, 0, -5}, {0, 0, -1}, true, -5, kInf},
                      PlaneRay{"outside moving away", {0, 0, 5}, {0, 0, 1}, false, 0, 0},
                      PlaneRay{"inside towards the surface", {0, 0, -5}, {0, 0, 1}, true, -kInf, 5},
                      PlaneRay{"parallel inside", {0, 0, -5}, {1, 0, 0}, false, 0, 0},
                      PlaneRay{"parallel outside", {0, 0, 5}, {1, 0, 0}, false, 0, 0}));

TEST_F(FreshProfilerTest, InfiniteEndPointIsInfiniteOnlyAlongTheRay) {
  Plane p = make_plane({0, 0, 1}, 0);
  const SlotResult r = intersect(&p, make_test_ray({1, 2, 5}, {0, 0, -1}));
  ASSERT_TRUE(r.hit);
  const Vec3 far = r.list.records[0].exit.point;
  EXPECT_EQ(far.x, 1.0f);
  EXPECT_EQ(far.y, 2.0f);
  EXPECT_TRUE(std::isinf(far.z) && far.z < 0);
  expect_vec_near(r.list.records[0].entry.point, {1, 2, 0});
}

TEST_F(FreshProfilerTest, PlacementKeepsTheHalfSpaceAndUnboundedBounds) {
  Plane p = make_plane({0, 0, 1}, 0);
  const Vec3 move{0, 0, 2};
  Transform t;
  make_translation(&t, move);
  p.methods->Translate(&p, &move, &t);
  EXPECT_EQ(p.distance, -2.0f);  // now z < 2
  EXPECT_EQ(p.bounds.min, (Vec3{-1e10f, -1e10f, -1e10f}));
  EXPECT_EQ(p.bounds.max, (Vec3{1e10f, 1e10f, 1e10f}));
  const Vec3 s{1, 1, 4};
  make_scaling(&t, s);
  p.methods->Scale(&p, &s, &t);  // z < 8
  expect_vec_near(p.normal, {0, 0, 1});
  EXPECT_NEAR(p.distance, -8.0f, 1e-5f);
  Transform turn;
  make_rotation(&turn, {1, 0, 0}, static_cast<float>(M_PI / 2));
  p.methods->Rotate(&p, nullptr, &turn);  // the +z normal turns to -y: y > -8
  expect_vec_near(p.normal, {0, -1, 0});
  const SlotResult r = intersect(&p, make_test_ray({0, -20, 0}, {0, 1, 0}));
  ASSERT_TRUE(r.hit);
  EXPECT_NEAR(r.list.records[0].entry.depth, 12.0f, 1e-4f);
  EXPECT_EQ(p.transform, nullptr);
}

TEST_F(FreshProfilerTest, TransformedPlaneWorksInObjectSpace) {
  Plane p = make_plane({0, 0, 1}, 0);
  Transform turn;
  make_rotation(&turn, {0, 1, 0}, static_cast<float>(M_PI / 2));
  p.methods->Apply_Transform(&p, &turn);
  ASSERT_NE(p.transform, nullptr);
  // The world normal is the object normal carried by the turn; a ray coming
  // in against it enters at the plane through the origin.
  const Vec3 n = [&] {
    Hit h{};
    return normal_at(&p, h);
  }();
  const Vec3 want = transform_direction(turn.matrix, {0, 0, 1});
  expect_vec_near(n, want);
  const SlotResult r = intersect(&p, make_test_ray(want * 5.0f, -want));
  ASSERT_TRUE(r.hit);
  EXPECT_NEAR(r.list.records[0].entry.depth, 5.0f, 1e-5f);
  EXPECT_EQ(r.list.records[0].exit.depth, kInf);
}

}  // namespace
