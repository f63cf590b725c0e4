// Slot-0 intersections of the torus, cylinder, cone, a transformed sphere and
// a three-level CSG tree, each on a ray that hits (argument 1) and one that
// misses (argument 0). The profiler is on, as it always is inside slot 0.
#include <benchmark/benchmark.h>

#include "rt/profile.h"
#include "rt/ray.h"
#include "rt/scene.h"

namespace {

Ray make_ray(const Vec3& o, const Vec3& d) {
  Ray ray;
  ray_init(&ray, o, d);
  return ray;
}

// The hit ray runs along +z close to the z axis; the miss ray passes beside
// every shape but inside its bounds' reach where the box test allows.
const Ray& hit_ray() {
  static const Ray r = make_ray({0.1f, 0.2f, -5}, {0.01f, -0.02f, 1});
  return r;
}
const Ray& miss_ray() {
  static const Ray r = make_ray({2.9f, 2.9f, -5}, {0.01f, -0.02f, 1});
  return r;
}

void run_slot0(benchmark::State& state, Shape* shape) {
  const bool hitting = state.range(0) != 0;
  const Ray& ray = hitting ? hit_ray() : miss_ray();
  IntervalList list;
  int64_t found = 0;
  for (auto _ : state) {
    list.count = 0;
    found += shape->methods->All_Intersections(shape, &ray, &list);
    benchmark::ClobberMemory();
  }
  if (found != (hitting ? state.iterations() : 0)) state.SkipWithError("unexpected result");
  state.SetItemsProcessed(state.iterations());
}

void BM_Torus(benchmark::State& state) {
  // Ring in the xy plane, so the ray along z passes through the tube.
  static Shape* torus = [] {
    Shape* t = scene_torus(1.0f, 0.4f);
    scene_rotate(t, {1, 0, 0}, 1.5707964f);
    scene_translate(t, {-1.0f, 0, 0});
    return t;
  }();
  run_slot0(state, torus);
}
BENCHMARK(BM_Torus)->Arg(1)->Arg(0);

void BM_Cylinder(benchmark::State& state) {
  static Shape* cylinder = scene_cylinder({0, 0, -1}, {0, 0.5f, 1}, 1);
  run_slot0(state, cylinder);
}
BENCHMARK(BM_Cylinder)->Arg(1)->Arg(0);

void BM_Cone(benchmark::State& state) {
  static Shape* cone = scene_cone({0, 0, -1}, 0.5f, {0, 0.5f, 1}, 1);
  run_slot0(state, cone);
}
BENCHMARK(BM_Cone)->Arg(1)->Arg(0);

void BM_TransformedSphere(benchmark::State& state) {
  static Shape* wrapped = [] {
    Shape* t = scene_transformed(scene_sphere({0, 0, 0}, 1));
    scene_scale(t, {1.5f, 1, 1});
    scene_rotate(t, {0, 0, 1}, 0.3f);
    return t;
  }();
  run_slot0(state, wrapped);
}
BENCHMARK(BM_TransformedSphere)->Arg(1)->Arg(0);

// (box - sphere) united with (sphere intersected with box): three levels.
void BM_CsgTree(benchmark::State& state) {
  static Shape* tree = [] {
    Shape* hollow =
        scene_difference(scene_box({-1, -1, -1}, {1, 1, 1}), scene_sphere({0, 0, 0}, 0.8f));
    Shape* lens =
        scene_intersection(scene_sphere({0, 0, 1.5f}, 1), scene_box({-1, -1, 1}, {1, 1, 3}));
    return scene_union(hollow, lens);
  }();
  run_slot0(state, tree);
}
BENCHMARK(BM_CsgTree)->Arg(1)->Arg(0);

}  // namespace

BENCHMARK_MAIN();
