// The convex polyhedron: clipping by face planes, face normals and placement,
// checked against the box.
#include <random>

#include "rt/box.h"
#include "rt/polyhedron.h"
#include "shape_test_support.h"

namespace {

// The cube -1..1 as six half-spaces, in the box's face order.
const PolyFace kCubeFaces[6] = {{{-1, 0, 0}, -1}, {{1, 0, 0}, -1}, {{0, -1, 0}, -1},
                                {{0, 1, 0}, -1},  {{0, 0, -1}, -1}, {{0, 0, 1}, -1}};

Polyhedron make_cube() {
  Polyhedron p{};
  p.methods = &polyhedron_methods;
  p.face_count = 6;
  p.faces = kCubeFaces;
  p.object_min = {-1, -1, -1};
  p.object_max = {1, 1, 1};
  p.bounds = AxisBox{p.object_min, p.object_max};
  return p;
}

TEST_F(FreshProfilerTest, CubeReportsTheFacesCrossed) {
  Polyhedron p = make_cube();
  const SlotResult r = intersect(&p, make_test_ray({-5, 0.2f, 0.1f}, {1, 0, 0}));
  ASSERT_TRUE(r.hit);
  EXPECT_NEAR(r.list.records[0].entry.depth, 4, 1e-6f);
  EXPECT_NEAR(r.list.records[0].exit.depth, 6, 1e-6f);
  EXPECT_EQ(r.list.records[0].entry.surface, 0);
  EXPECT_EQ(r.list.records[0].exit.surface, 1);
  EXPECT_EQ(normal_at(&p, r.list.records[0].entry), (Vec3{-1, 0, 0}));
  EXPECT_EQ(normal_at(&p, r.list.records[0].exit), (Vec3{1, 0, 0}));
  const SlotResult up = intersect(&p, make_test_ray({0, 0, 0}, {0, 0, 1}));
  ASSERT_TRUE(up.hit);
  EXPECT_EQ(up.list.records[0].entry.surface, 4);
  EXPECT_EQ(up.list.records[0].exit.surface, 5);
}

TEST_F(FreshProfilerTest, ParallelOutsideMissesAndNoFacesIsEverything) {
  Polyhedron p = make_cube();
  EXPECT_FALSE(intersect(&p, make_test_ray({-5, 3, 0}, {1, 0, 0})).hit);
  EXPECT_FALSE(intersect(&p, make_test_ray({5, 0, 0}, {1, 0, 0})).hit);
  p.face_count = 0;
  const SlotResult all = intersect(&p, make_test_ray({5, 0, 0}, {1, 0, 0}));
  ASSERT_TRUE(all.hit);
  EXPECT_EQ(all.list.records[0].entry.depth, -2e10f);
  EXPECT_EQ(all.list.records[0].exit.depth, 2e10f);
}

TEST_F(FreshProfilerTest, FaceIndexOutsideTheArrayHasNoNormal) {
  Polyhedron p = make_cube();
  for (int32_t bad : {-1, 6, 1000}) {
    Hit h{};
    h.surface = bad;
    EXPECT_EQ(normal_at(&p, h), (Vec3{0, 0, 0})) << bad;
  }
}

TEST_F(FreshProfilerTest, PlacementComposesAndMapsTheObjectBox) {
  Polyhedron p = make_cube();
  const Vec3 move{3, 0, 0};
  Transform t;
  make_translation(&t, move);
  p.methods->Translate(&p, &move, &t);
  ASSERT_NE(p.transform, nullptr);
  EXPECT_EQ(p.bounds.min, (Vec3{2, -1, -1}));
  EXPECT_EQ(p.bounds.max, (Vec3{4, 1, 1}));
  const Vec3 s{2, 1, 1};
  make_scaling(&t, s);
  p.methods->Scale(&p, &s, &t);
  EXPECT_EQ(p.bounds.min, (Vec3{4, -1, -1}));
  const SlotResult r = intersect(&p, make_test_ray({0, 0, 0}, {1, 0, 0}));
  ASSERT_TRUE(r.hit);
  EXPECT_NEAR(r.list.records[0].entry.depth, 4, 1e-5f);
  EXPECT_NEAR(r.list.records[0].exit.depth, 8, 1e-5f);
  expect_vec_near(normal_at(&p, r.list.records[0].exit), {1, 0, 0});
}

// Property: the cube as a polyhedron gives the box's interval on random rays,
// and the same faces wherever the crossing is not at an edge.
TEST_F(FreshProfilerTest, CubePolyhedronAgreesWithTheBox) {
  Polyhedron p = make_cube();
  Box b{};
  b.methods = &box_methods;
  b.corner1 = {-1, -1, -1};
  b.corner2 = {1, 1, 1};
  // Box faces are numbered from 1 in the same order as the cube's faces.
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> u(-5, 5);
  int hits = 0, misses = 0;
  for (int n = 0; n < 5000; ++n) {
    const Vec3 o{u(rng), u(rng), u(rng)};
    const Vec3 target{u(rng) / 3, u(rng) / 3, u(rng) / 3};
    const Ray ray = make_test_ray(o, target - o);
    const SlotResult rp = intersect(&p, ray);
    const SlotResult rb = intersect(&b, ray);
    ASSERT_EQ(rp.hit, rb.hit) << n;
    if (!rp.hit) {
      ++misses;
      continue;
    }
    ++hits;
    const Interval& ip = rp.list.records[0];
    const Interval& ib = rb.list.records[0];
    EXPECT_NEAR(ip.entry.depth, ib.entry.depth, 1e-5f) << n;
    EXPECT_NEAR(ip.exit.depth, ib.exit.depth, 1e-5f) << n;
    const Vec3 at = ip.entry.point;
    const int on_faces = (std::fabs(std::fabs(at.x) - 1) < 1e-4f) +
                         (std::fabs(std::fabs(at.y) - 1) < 1e-4f) +
                         (std::fabs(std::fabs(at.z) - 1) < 1e-4f);
    if (on_faces == 1 && ip.entry.depth > 0) {
      EXPECT_EQ(ip.entry.surface + 1, ib.entry.surface) << n;
    }
  }
  EXPECT_GT(hits, 1000);
  EXPECT_GT(misses, 100);
}

}  // namespace
