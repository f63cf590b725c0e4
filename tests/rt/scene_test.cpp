// Scene helpers: makers fill their shapes and set bounds, placement goes
// through the slots, and the query helpers run slot 0 and slot 1.
#include "rt/scene.h"

#include <gtest/gtest.h>

#include "rt/plane.h"
#include "rt/polyhedron.h"
#include "rt/transformed.h"
#include "shape_test_support.h"

namespace {

using SceneTest = FreshProfilerTest;

TEST_F(SceneTest, MakersSetBoundsAtOnce) {
  struct {
    Shape* shape;
    AxisBox want;
  } cases[] = {
      {scene_sphere({1, 0, 0}, 2), {{-1, -2, -2}, {3, 2, 2}}},
      {scene_box({1, 1, 1}, {-1, 0, -2}), {{-1, 0, -2}, {1, 1, 1}}},
      {scene_torus(2, 0.5f), {{-2.5f, -0.5f, -2.5f}, {2.5f, 0.5f, 2.5f}}},
      {scene_cylinder({0, 0, 0}, {0, 0, 3}, 1), {{-1, -1, 0}, {1, 1, 3}}},
      {scene_transformed(scene_sphere({0, 0, 0}, 1)), {{-1, -1, -1}, {1, 1, 1}}},
  };
  for (const auto& c : cases) {
    expect_vec_near(c.shape->bounds.min, c.want.min);
    expect_vec_near(c.shape->bounds.max, c.want.max);
  }
}

TEST_F(SceneTest, PlaneIsStoredWithAUnitNormal) {
  auto* plane = static_cast<Plane*>(scene_plane({0, 0, 2}, -4));
  expect_vec_near(plane->normal, {0, 0, 1});
  EXPECT_FLOAT_EQ(plane->distance, -2);  // still the half-space z < 2
}

TEST_F(SceneTest, PolyhedronKeepsItsOwnCopyOfTheFaces) {
  PolyFace faces[2] = {{{1, 0, 0}, -1}, {{-1, 0, 0}, -1}};
  auto* poly = static_cast<Polyhedron*>(scene_polyhedron(faces, 2, {-1, -5, -5}, {1, 5, 5}));
  faces[0].distance = 100;
  EXPECT_NE(poly->faces, faces);
  EXPECT_EQ(poly->faces[0].distance, -1);
  auto* none = static_cast<Polyhedron*>(scene_polyhedron(faces, -3, {0, 0, 0}, {1, 1, 1}));
  EXPECT_EQ(none->face_count, 0);
}

TEST_F(SceneTest, QueryHelpersIntersectAndGiveNormals) {
  Shape* s = scene_transformed(scene_sphere({0, 0, 0}, 1));
  scene_translate(s, {0, 0, 3});
  IntervalList list;
  list.count = 7;  // a fresh query starts from an empty list
  ASSERT_TRUE(scene_intersect(s, {0, 0, 0}, {0, 0, 1}, &list));
  ASSERT_EQ(list.count, 1);
  EXPECT_NEAR(list.records[0].entry.depth, 2, 1e-5f);
  expect_vec_near(scene_normal(s, list.records[0].entry), {0, 0, -1});
  EXPECT_FALSE(scene_intersect(s, {0, 0, 0}, {1, 0, 0}, &list));
  EXPECT_EQ(list.count, 0);
}

}  // namespace
