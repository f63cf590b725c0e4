// Sphere and ellipsoid: intervals, normals, placement and the switch from
// sphere to ellipsoid.
#include <cmath>
#include <random>

#include "rt/sphere.h"
#include "shape_test_support.h"

namespace {

Sphere make_sphere(const Vec3& centre, float radius) {
  Sphere s{};
  s.methods = &sphere_methods;
  s.centre = centre;
  s.radius = radius;
  s.radius_squared = radius * radius;
  const Vec3 none{0, 0, 0};
  Transform no_move;
  make_translation(&no_move, none);
  sphere_translate(&s, &none, &no_move);  // sets the bounds
  return s;
}

struct RayCase {
  const char* name;
  Vec3 origin, direction;
  bool hit;
  float entry, exit;
};

class UnitSphereRays : public FreshProfilerTest, public ::testing::WithParamInterface<RayCase> {};

TEST_P(UnitSphereRays, GiveTheListedInterval) {
  const RayCase& c = GetParam();
  Sphere s = make_sphere({0, 0, 0}, 1);
  const SlotResult r = intersect(&s, make_test_ray(c.origin, c.direction));
  ASSERT_EQ(r.hit, c.hit) << c.name;
  ASSERT_EQ(r.list.count, c.hit ? 1 : 0);
  if (!c.hit) return;
  const Interval& i = r.list.records[0];
  EXPECT_NEAR(i.entry.depth, c.entry, 1e-5f);
  EXPECT_NEAR(i.exit.depth, c.exit, 1e-5f);
  EXPECT_EQ(i.entry.object, &s);
  EXPECT_EQ(i.entry.surface, 0);
  EXPECT_EQ(i.exit.hit_transform, nullptr);
  expect_vec_near(i.exit.point, c.origin + c.direction * c.exit);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnitSphereRays,
    ::testing::Values(RayCase{"through the centre", {0, 0, -5}, {0, 0, 1}, true, 4, 6},
                      RayCase{"from the centre", {0, 0, 0}, {1, 0, 0}, true, -1, 1},
                      RayCase{"sphere behind", {0, 0, 5}, {0, 0, 1}, false, 0, 0},
                      RayCase{"tangent", {1, 0, -5}, {0, 0, 1}, false, 0, 0},
                      RayCase{"direction of length 2", {0, 0, -5}, {0, 0, 2}, true, 2, 3},
                      RayCase{"clear miss", {3, 0, -5}, {0, 0, 1}, false, 0, 0}));

TEST_F(FreshProfilerTest, SphereNormalsPointOutOfTheSurface) {
  Sphere s = make_sphere({0, 0, 0}, 1);
  const SlotResult r = intersect(&s, make_test_ray({0, 0, -5}, {0, 0, 1}));
  ASSERT_TRUE(r.hit);
  expect_vec_near(normal_at(&s, r.list.records[0].entry), {0, 0, -1});
  expect_vec_near(normal_at(&s, r.list.records[0].exit), {0, 0, 1});
}

TEST_F(FreshProfilerTest, MaxDepthRejectsFarEntries) {
  Sphere s = make_sphere({0, 0, 0}, 1);
  Ray ray = make_test_ray({0, 0, -5}, {0, 0, 1});
  ray.max_depth = 4.0f;  // entry at 4 is not less than the limit
  EXPECT_FALSE(intersect(&s, ray).hit);
  ray.max_depth = 4.5f;
  EXPECT_TRUE(intersect(&s, ray).hit);
}

TEST_F(FreshProfilerTest, MissLeavesTheListAndStillCountsInTheProfile) {
  Sphere s = make_sphere({0, 0, 0}, 1);
  IntervalList list{};
  list.count = 2;
  list.records[1].entry.depth = 42.0f;
  const Ray ray = make_test_ray({5, 5, 5}, {0, 0, 1});
  EXPECT_FALSE(s.methods->All_Intersections(&s, &ray, &list));
  EXPECT_EQ(list.count, 2);
  EXPECT_EQ(list.records[1].entry.depth, 42.0f);
  int found = 0;
  for (const ProfileNode* node : profile_nodes()) {
    if (std::string(node->scope->name) != "All_Sphere_Intersections") continue;
    ++found;
    EXPECT_EQ(node->count, 1u);
  }
  EXPECT_EQ(found, 1);
  EXPECT_EQ(profile_current()->scope->name, std::string("_global"));
}

TEST_F(FreshProfilerTest, UniformScaleKeepsASphere) {
  Sphere s = make_sphere({1, 0, 0}, 1);
  const Vec3 v{2, 2, 2};
  Transform t;
  make_scaling(&t, v);
  s.methods->Scale(&s, &v, &t);
  EXPECT_EQ(s.methods, &sphere_methods);
  EXPECT_EQ(s.transform, nullptr);
  EXPECT_EQ(s.centre, (Vec3{2, 0, 0}));
  EXPECT_EQ(s.radius, 2.0f);
  EXPECT_EQ(s.radius_squared, 4.0f);
  EXPECT_EQ(s.bounds.min, (Vec3{0, -2, -2}));
  EXPECT_EQ(s.bounds.max, (Vec3{4, 2, 2}));
}

TEST_F(FreshProfilerTest, NegativeUniformScaleMirrorsTheCentreWithPositiveRadius) {
  Sphere s = make_sphere({1, 0, 0}, 1);
  const Vec3 v{-2, -2, -2};
  Transform t;
  make_scaling(&t, v);
  s.methods->Scale(&s, &v, &t);
  EXPECT_EQ(s.centre, (Vec3{-2, 0, 0}));
  EXPECT_EQ(s.radius, 2.0f);
  EXPECT_EQ(s.methods, &sphere_methods);
}

TEST_F(FreshProfilerTest, UnevenScaleTurnsTheSphereIntoAnEllipsoid) {
  Sphere s = make_sphere({0, 0, 0}, 1);
  const Vec3 v{2, 1, 1};
  Transform t;
  make_scaling(&t, v);
  s.methods->Scale(&s, &v, &t);
  EXPECT_EQ(s.methods, &ellipsoid_methods);
  ASSERT_NE(s.transform, nullptr);
  expect_vec_near(s.bounds.min, {-2, -1, -1});
  expect_vec_near(s.bounds.max, {2, 1, 1});
  const SlotResult r = intersect(&s, make_test_ray({-5, 0, 0}, {1, 0, 0}));
  ASSERT_TRUE(r.hit);
  EXPECT_NEAR(r.list.records[0].entry.depth, 3.0f, 1e-5f);
  EXPECT_NEAR(r.list.records[0].exit.depth, 7.0f, 1e-5f);
  expect_vec_near(r.list.records[0].entry.point, {-2, 0, 0});
  expect_vec_near(normal_at(&s, r.list.records[0].entry), {-1, 0, 0});
}

TEST_F(FreshProfilerTest, EllipsoidNormalFollowsTheStretchedSurface) {
  Sphere s = make_sphere({0, 0, 0}, 1);
  const Vec3 v{2, 1, 1};
  Transform t;
  make_scaling(&t, v);
  s.methods->Scale(&s, &v, &t);
  // x^2/4 + y^2 = 1 at x = sqrt(2): y = sqrt(0.5); gradient (x/4, y) normalised.
  const float x = std::sqrt(2.0f);
  const SlotResult r = intersect(&s, make_test_ray({x, -5, 0}, {0, 1, 0}));
  ASSERT_TRUE(r.hit);
  const Hit& exit = r.list.records[0].exit;
  expect_vec_near(exit.point, {x, std::sqrt(0.5f), 0});
  Vec3 want;
  vec3_normalize(want, {x / 4, std::sqrt(0.5f), 0});
  expect_vec_near(normal_at(&s, exit), want);
}

TEST_F(FreshProfilerTest, TranslateAndRotateMoveAnUntransformedCentre) {
  Sphere s = make_sphere({1, 0, 0}, 0.5f);
  const Vec3 move{0, 2, 0};
  Transform t;
  make_translation(&t, move);
  s.methods->Translate(&s, &move, &t);
  EXPECT_EQ(s.centre, (Vec3{1, 2, 0}));
  Transform r;
  make_rotation(&r, {0, 0, 1}, static_cast<float>(M_PI / 2));
  s.methods->Rotate(&s, nullptr, &r);
  expect_vec_near(s.centre, {-2, 1, 0});
  EXPECT_EQ(s.methods, &sphere_methods);
  expect_vec_near(s.bounds.min, {-2.5f, 0.5f, -0.5f});
}

// Property: a sphere placed through an arbitrary transform (an ellipsoid with
// a rigid motion) gives the same intervals and normals as the same sphere
// placed directly.
TEST_F(FreshProfilerTest, TransformedSphereMatchesTheSpherePlacedDirectly) {
  Sphere direct = make_sphere({1, 2, 3}, 1.5f);
  Sphere placed = make_sphere({0, 0, 0}, 1.5f);
  Transform turn, move;
  make_rotation(&turn, {1, 1, 0}, 0.8f);
  make_translation(&move, {1, 2, 3});
  placed.methods->Apply_Transform(&placed, &turn);
  placed.methods->Translate(&placed, nullptr, &move);
  ASSERT_EQ(placed.methods, &ellipsoid_methods);
  // The turned box of the ellipsoid encloses the direct sphere's box.
  EXPECT_LE(placed.bounds.min.x, direct.bounds.min.x + 1e-5f);
  EXPECT_GE(placed.bounds.max.z, direct.bounds.max.z - 1e-5f);
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(-1, 1);
  int hits = 0;
  for (int n = 0; n < 2000; ++n) {
    const Vec3 target = Vec3{1, 2, 3} + Vec3{u(rng), u(rng), u(rng)} * 2.0f;
    const Vec3 origin = Vec3{u(rng), u(rng), u(rng)} * 10.0f;
    const Ray ray = make_test_ray(origin, target - origin);
    const SlotResult a = intersect(&direct, ray);
    const SlotResult b = intersect(&placed, ray);
    const Interval& x = a.list.records[0];
    const Interval& y = b.list.records[0];
    if (a.hit != b.hit) {
      // Only a ray that grazes the sphere may be decided differently.
      const Interval& one = a.hit ? x : y;
      ASSERT_LT(one.exit.depth - one.entry.depth, 2e-2f) << n;
      continue;
    }
    if (!a.hit) continue;
    ++hits;
    EXPECT_NEAR(x.entry.depth, y.entry.depth, 1e-3f) << n;
    EXPECT_NEAR(x.exit.depth, y.exit.depth, 1e-3f) << n;
    expect_vec_near(x.entry.point, y.entry.point, 1e-3f);
    expect_vec_near(normal_at(&direct, x.entry), normal_at(&placed, y.entry), 1e-3f);
    expect_vec_near(normal_at(&direct, x.exit), normal_at(&placed, y.exit), 1e-3f);
  }
  EXPECT_GT(hits, 500);
}

}  // namespace
