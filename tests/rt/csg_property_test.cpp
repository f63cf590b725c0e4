// Property tests over many random rays: CSG trees of random spheres and boxes
// (some placed through transformed objects) agree with point-membership
// sampling along the ray, their lists are sorted and overlap-free, entry
// normals face the ray and exit normals follow it; and no ray-box test
// rejects a shape that the ray actually meets.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "geometry_test_support.h"
#include "rt/csg.h"
#include "rt/scene.h"
#include "shape_test_support.h"

namespace {

// A solid described twice: as engine shapes and as a membership rule.
struct Solid {
  enum Kind { kSphere, kBox, kUnion, kIntersection, kDifference } kind;
  Vec3 a, b;  // sphere: centre and (radius, -, -); box: low and high corner
  std::unique_ptr<Solid> left, right;
  Shape* shape = nullptr;

  bool contains(const Vec3& p) const {
    switch (kind) {
      case kSphere: {
        const Vec3 d = p - a;
        return vec3_dot(d, d) < b.x * b.x;
      }
      case kBox:
        return p.x > a.x && p.x < b.x && p.y > a.y && p.y < b.y && p.z > a.z && p.z < b.z;
      case kUnion:
        return left->contains(p) || right->contains(p);
      case kIntersection:
        return left->contains(p) && right->contains(p);
      case kDifference:
        return left->contains(p) && !right->contains(p);
    }
    return false;
  }
};

std::unique_ptr<Solid> random_leaf(std::mt19937& rng) {
  auto s = std::make_unique<Solid>();
  std::uniform_real_distribution<float> size(0.5f, 1.5f);
  const Vec3 centre = random_point(rng, 1.5f);
  // Every third leaf is a transformed object, so hits carry hit transforms
  // through the merges.
  const bool wrapped = rng() % 3 == 0;
  if (rng() % 2 == 0) {
    s->kind = Solid::kSphere;
    s->a = centre;
    s->b = Vec3{size(rng), 0, 0};
    s->shape = scene_sphere(s->a, s->b.x);
    if (wrapped) {  // the same sphere as a placed unit sphere
      s->shape = scene_transformed(scene_sphere({0, 0, 0}, 1));
      scene_scale(s->shape, {s->b.x, s->b.x, s->b.x});
      scene_translate(s->shape, centre);
    }
  } else {
    s->kind = Solid::kBox;
    const Vec3 half{size(rng), size(rng), size(rng)};
    s->a = centre - half;
    s->b = centre + half;
    s->shape = scene_box(s->a, s->b);
    if (wrapped) {  // the same box as a placed unit cube
      s->shape = scene_transformed(scene_box({-1, -1, -1}, {1, 1, 1}));
      scene_scale(s->shape, half);
      scene_translate(s->shape, centre);
    }
  }
  return s;
}

bool boxes_overlap(const AxisBox& p, const AxisBox& q) {
  return p.min.x <= q.max.x && q.min.x <= p.max.x && p.min.y <= q.max.y && q.min.y <= p.max.y &&
         p.min.z <= q.max.z && q.min.z <= p.max.z;
}

// A random tree of the given depth. An intersection of operands whose boxes
// do not meet would stop the program, so such pairs are united instead.
std::unique_ptr<Solid> random_solid(std::mt19937& rng, int depth) {
  if (depth == 0) return random_leaf(rng);
  auto s = std::make_unique<Solid>();
  s->left = random_solid(rng, depth - 1);
  s->right = random_solid(rng, depth - 1);
  s->kind = static_cast<Solid::Kind>(Solid::kUnion + rng() % 3);
  if (s->kind == Solid::kIntersection &&
      !boxes_overlap(s->left->shape->bounds, s->right->shape->bounds))
    s->kind = Solid::kUnion;
  Shape* l = s->left->shape;
  Shape* r = s->right->shape;
  switch (s->kind) {
    case Solid::kUnion:
      s->shape = scene_union(l, r);
      break;
    case Solid::kIntersection:
      s->shape = scene_intersection(l, r);
      break;
    default:
      s->shape = scene_difference(l, r);
      break;
  }
  return s;
}

// Checks one ray's list against the membership rule: samples inside a span
// are inside the solid, samples outside every span (ahead of the origin) are
// outside; samples close to a span end are skipped.
void check_ray(const Solid& solid, const Ray& ray, const IntervalList& list, int* samples) {
  constexpr int kSamples = 400;
  constexpr float kFar = 40.0f;  // well past the scene, in ray depth
  constexpr float kEndMargin = 1e-3f;
  const int n = list.count;
  ASSERT_LT(n, kIntervalListMaxCount) << "list filled up: the check would be meaningless";
  for (int i = 0; i < n; ++i) {
    const Interval& s = list.records[i];
    ASSERT_LE(s.entry.depth, s.exit.depth);
    ASSERT_GT(s.exit.depth, 1e-6f);
    if (i > 0) {
      ASSERT_LE(list.records[i - 1].exit.depth, s.entry.depth) << "spans overlap";
    }
    // An entry normal faces the ray, an exit normal follows it.
    const float dn = vec3_dot(normal_at(solid.shape, s.entry), ray.direction);
    const float xn = vec3_dot(normal_at(solid.shape, s.exit), ray.direction);
    if (s.entry.depth > 0) {
      EXPECT_LE(dn, 1e-3f) << "entry normal " << i;
    }
    EXPECT_GE(xn, -1e-3f) << "exit normal " << i;
  }
  for (int k = 0; k < kSamples; ++k) {
    const float t = kFar * (k + 0.5f) / kSamples;
    bool in_span = false;
    bool near_end = false;
    for (int i = 0; i < n; ++i) {
      const Interval& s = list.records[i];
      near_end |=
          std::fabs(t - s.entry.depth) < kEndMargin || std::fabs(t - s.exit.depth) < kEndMargin;
      in_span |= t > s.entry.depth && t < s.exit.depth;
    }
    if (near_end) continue;
    const Vec3 p = ray.origin + ray.direction * t;
    ASSERT_EQ(solid.contains(p), in_span) << "depth " << t;
    ++*samples;
  }
}

class CsgMembership : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { profile_reset(); }
};

TEST_P(CsgMembership, SpansAgreeWithPointSampling) {
  const int depth = GetParam();
  std::mt19937 rng(7 + depth);
  int samples = 0;
  int hit_rays = 0;
  for (int scene = 0; scene < 40; ++scene) {
    const std::unique_ptr<Solid> solid = random_solid(rng, depth);
    for (int k = 0; k < 50; ++k) {
      // Most rays come from outside; every fifth starts within the scene.
      RandomRay rr = random_ray(rng, 12.0f, 2.0f);
      if (k % 5 == 0) rr.origin = random_point(rng, 2.0f);
      const Ray ray = make_test_ray(rr.origin, rr.direction);
      SlotResult r = intersect(solid->shape, ray);
      ASSERT_EQ(r.hit, r.list.count > 0);
      hit_rays += r.hit;
      check_ray(*solid, ray, r.list, &samples);
      if (HasFatalFailure()) {
        ADD_FAILURE() << "scene " << scene << " ray " << k;
        return;
      }
    }
  }
  EXPECT_GT(hit_rays, 40 * 50 / 6);  // the rays do meet the solids
  EXPECT_GT(samples, 40 * 50 * 300);
}

INSTANTIATE_TEST_SUITE_P(TreeDepths, CsgMembership, ::testing::Values(1, 2, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Depth" + std::to_string(info.param);
                         });

// ---- The ray-box test never rejects a shape the ray meets ----

Shape* random_shape(std::mt19937& rng, int which) {
  const Vec3 c = random_point(rng, 1.0f);
  switch (which) {
    case 0:
      return scene_torus(1.2f, 0.4f);
    case 1:
      return scene_cylinder(c, random_point(rng, 2.0f), 0.7f);
    case 2:
      return scene_cone(c, 0.3f, random_point(rng, 2.0f), 0.9f);
    case 3:
      return scene_transformed(scene_sphere(c, 1.0f));
    case 4:
      return scene_union(scene_sphere(c, 0.8f), scene_box({-1, -1, -1}, {0.5f, 0.5f, 0.5f}));
    case 5:
      return scene_difference(scene_box({-1, -1, -1}, {1, 1, 1}), scene_sphere(c, 0.8f));
    default:
      return scene_intersection(scene_sphere(c, 1.5f), scene_box({-1, -1, -1}, {1, 1, 1}));
  }
}

TEST(BoundsProperty, BoxTestAcceptsEveryRayThatMeetsTheShape) {
  profile_reset();
  std::mt19937 rng(99);
  int met = 0;
  for (int which = 0; which < 7; ++which) {
    for (int placement = 0; placement < 10; ++placement) {
      Shape* shape = random_shape(rng, which);
      scene_transform(shape, random_placement(rng));
      for (int k = 0; k < 200; ++k) {
        const RandomRay rr = random_ray(rng, 12.0f, 3.0f);
        const Ray ray = make_test_ray(rr.origin, rr.direction);
        if (!intersect(shape, ray).hit) continue;
        ++met;
        ASSERT_TRUE(ray.box_test(shape, &ray))
            << "shape kind " << which << " placement " << placement;
      }
    }
  }
  EXPECT_GT(met, 7 * 10 * 200 / 8);  // the rays do meet the shapes
  profile_reset();
}

}  // namespace
