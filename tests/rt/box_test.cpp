// The box: slab intervals, the face tie rule, normals and placement.
#include <random>

#include "rt/box.h"
#include "shape_test_support.h"

namespace {

Box make_box(const Vec3& lo, const Vec3& hi) {
  Box b{};
  b.methods = &box_methods;
  b.corner1 = lo;
  b.corner2 = hi;
  b.bounds = AxisBox{lo, hi};
  return b;
}

struct BoxRay {
  const char* name;
  Vec3 origin, direction;
  bool hit;
  float entry, exit;
  int32_t entry_face, exit_face;
};

class UnitBoxRays : public FreshProfilerTest, public ::testing::WithParamInterface<BoxRay> {};

TEST_P(UnitBoxRays, GiveTheListedIntervalAndFaces) {
  const BoxRay& c = GetParam();
  Box b = make_box({-1, -1, -1}, {1, 1, 1});
  const SlotResult r = intersect(&b, make_test_ray(c.origin, c.direction));
  ASSERT_EQ(r.hit, c.hit) << c.name;
  ASSERT_EQ(r.list.count, c.hit ? 1 : 0) << c.name;
  if (!c.hit) return;
  const Interval& i = r.list.records[0];
  EXPECT_NEAR(i.entry.depth, c.entry, 1e-5f) << c.name;
  EXPECT_NEAR(i.exit.depth, c.exit, 1e-5f) << c.name;
  EXPECT_EQ(i.entry.surface, c.entry_face) << c.name;
  EXPECT_EQ(i.exit.surface, c.exit_face) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnitBoxRays,
    ::testing::Values(
        BoxRay{"along +x", {-5, 0, 0}, {1, 0, 0}, true, 4, 6, kBoxLowX, kBoxHighX},
        BoxRay{"along -y", {0, 5, 0}, {0, -1, 0}, true, 4, 6, kBoxHighY, kBoxLowY},
        BoxRay{"along +z", {0.5f, 0.5f, -3}, {0, 0, 1}, true, 2, 4, kBoxLowZ, kBoxHighZ},
        BoxRay{"edge, equal components: x keeps", {-5, -5, 0}, {1, 1, 0}, true, 4, 6, kBoxLowX, kBoxHighX},
        BoxRay{"edge, steeper y wins", {-3, -5, 0}, {1, 2, 0}, true, 2, 3, kBoxLowY, kBoxHighY},
        BoxRay{"edge, steeper x wins", {-5, -3, 0}, {2, 1, 0}, true, 2, 3, kBoxLowX, kBoxHighX},
        BoxRay{"corner, steeper z wins over x", {-5, -5, -9}, {1, 1, 2}, true, 4, 5, kBoxLowZ, kBoxHighZ},
        BoxRay{"corner, z equal to recorded y keeps y", {-5, -9, -9}, {1, 2, 2}, true, 4, 5, kBoxLowY, kBoxHighY},
        BoxRay{"z entry inside the span", {-4, -4, -5}, {1, 1, 1.25f}, true, 3.2f, 4.8f, kBoxLowZ, kBoxHighZ},
        BoxRay{"edge in x-z, equal: x keeps", {-5, 0, -5}, {1, 0, 1}, true, 4, 6, kBoxLowX, kBoxHighX},
        BoxRay{"starting inside", {0, 0, 0}, {0, 0, 1}, true, -1, 1, kBoxLowZ, kBoxHighZ},
        BoxRay{"box behind", {5, 0, 0}, {1, 0, 0}, false, 0, 0, 0, 0},
        BoxRay{"exit at the origin", {1, 0, 0}, {1, 0, 0}, false, 0, 0, 0, 0},
        BoxRay{"parallel outside", {-5, 2, 0}, {1, 0, 0}, false, 0, 0, 0, 0},
        BoxRay{"passes beside", {-5, 0, 0}, {1, 0.5f, 0}, false, 0, 0, 0, 0}));

TEST_F(FreshProfilerTest, BoxNormalsFollowTheFaceCodes) {
  Box b = make_box({-1, -1, -1}, {1, 1, 1});
  const Vec3 want[7] = {{0, 0, 0}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
  for (int32_t face = 0; face <= 6; ++face) {
    Hit hit{};
    hit.object = &b;
    hit.surface = face;
    EXPECT_EQ(normal_at(&b, hit), want[face]) << face;
  }
  Hit bad{};
  bad.surface = 99;
  EXPECT_EQ(normal_at(&b, bad), (Vec3{0, 0, 0}));
}

TEST_F(FreshProfilerTest, UntransformedScaleAndTranslateKeepCornersOrdered) {
  Box b = make_box({1, 2, 3}, {2, 4, 6});
  const Vec3 s{-1, 1, 2};
  Transform t;
  make_scaling(&t, s);
  b.methods->Scale(&b, &s, &t);
  EXPECT_EQ(b.transform, nullptr);
  EXPECT_EQ(b.corner1, (Vec3{-2, 2, 6}));
  EXPECT_EQ(b.corner2, (Vec3{-1, 4, 12}));
  const Vec3 m{1, 1, 1};
  make_translation(&t, m);
  b.methods->Translate(&b, &m, &t);
  EXPECT_EQ(b.bounds.min, (Vec3{-1, 3, 7}));
  EXPECT_EQ(b.bounds.max, (Vec3{0, 5, 13}));
}

TEST_F(FreshProfilerTest, RotatedBoxReportsWorldPointsAndNormals) {
  Box b = make_box({-1, -2, -3}, {1, 2, 3});
  Transform turn;
  make_rotation(&turn, {0, 0, 1}, static_cast<float>(M_PI / 2));
  b.methods->Rotate(&b, nullptr, &turn);
  ASSERT_NE(b.transform, nullptr);
  // The long y extent now lies along x.
  expect_vec_near(b.bounds.min, {-2, -1, -3});
  expect_vec_near(b.bounds.max, {2, 1, 3});
  const SlotResult r = intersect(&b, make_test_ray({-5, 0, 0}, {1, 0, 0}));
  ASSERT_TRUE(r.hit);
  EXPECT_NEAR(r.list.records[0].entry.depth, 3.0f, 1e-5f);
  EXPECT_NEAR(r.list.records[0].exit.depth, 7.0f, 1e-5f);
  expect_vec_near(r.list.records[0].entry.point, {-2, 0, 0});
  expect_vec_near(normal_at(&b, r.list.records[0].entry), {-1, 0, 0});
  expect_vec_near(normal_at(&b, r.list.records[0].exit), {1, 0, 0});
}

// Property: away from edges, the slab test agrees with point membership: the
// midpoint of the interval is inside, points just outside it are outside.
TEST_F(FreshProfilerTest, BoxIntervalsAgreeWithPointMembership) {
  Box b = make_box({-1, -0.5f, -2}, {2, 1.5f, 0.5f});
  auto inside = [&](const Vec3& p) {
    return p.x >= -1 && p.x <= 2 && p.y >= -0.5f && p.y <= 1.5f && p.z >= -2 && p.z <= 0.5f;
  };
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-6, 6);
  int hits = 0;
  for (int n = 0; n < 3000; ++n) {
    const Vec3 o{u(rng), u(rng), u(rng)};
    const Vec3 target{u(rng) / 2, u(rng) / 3, u(rng) / 3};
    const Ray ray = make_test_ray(o, target - o);
    const SlotResult r = intersect(&b, ray);
    if (!r.hit) {
      // Sample the half-line: no sampled point may be well inside.
      for (float t = 0.01f; t < 3; t += 0.01f) {
        const Vec3 p = o + ray.direction * t;
        const bool deep = p.x > -0.99f && p.x < 1.99f && p.y > -0.49f && p.y < 1.49f &&
                          p.z > -1.99f && p.z < 0.49f;
        ASSERT_FALSE(deep) << n;
      }
      continue;
    }
    ++hits;
    const Interval& i = r.list.records[0];
    ASSERT_LE(i.entry.depth, i.exit.depth);
    if (i.exit.depth - i.entry.depth < 1e-3f) continue;
    EXPECT_TRUE(inside(o + ray.direction * ((i.entry.depth + i.exit.depth) / 2))) << n;
    EXPECT_FALSE(inside(o + ray.direction * (i.exit.depth + 1e-3f))) << n;
    if (i.entry.depth > 1e-3f) {
      EXPECT_FALSE(inside(o + ray.direction * (i.entry.depth - 1e-3f))) << n;
    }
  }
  EXPECT_GT(hits, 500);
}

}  // namespace
