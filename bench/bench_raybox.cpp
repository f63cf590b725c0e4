// Ray-box tests per direction class and slot-0 intersections of the first
// shape types (the profiler is always on inside slot 0).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "rt/box.h"
#include "rt/plane.h"
#include "rt/polyhedron.h"
#include "rt/profile.h"
#include "rt/ray.h"
#include "rt/sphere.h"

namespace {

constexpr int kRayCount = 1024;

Ray make_ray(const Vec3& o, const Vec3& d) {
  Ray ray{};
  ray.origin = o;
  ray.direction = d;
  ray.max_depth = 1.0e7f;
  matrix_identity(ray.matrix);
  matrix_identity(ray.inverse);
  ray_precompute(&ray, Vec3{1, 0, 0}, Vec3{0, 1, 0});
  return ray;
}

// Rays of one direction class aimed near the unit box, about half of them hitting.
std::vector<Ray> rays_of_class(int dir_class) {
  std::mt19937 rng(dir_class + 1);
  std::uniform_real_distribution<float> mag(0.1f, 1.0f), near(-2.0f, 2.0f);
  std::vector<Ray> rays;
  for (int i = 0; i < kRayCount; ++i) {
    const Vec3 d{(dir_class & 4) ? mag(rng) : -mag(rng), (dir_class & 2) ? mag(rng) : -mag(rng),
                 (dir_class & 1) ? mag(rng) : -mag(rng)};
    const Vec3 target{near(rng), near(rng), near(rng)};
    rays.push_back(make_ray(target - d * 10.0f, d));
  }
  return rays;
}

void BM_RayBoxTest(benchmark::State& state) {
  const std::vector<Ray> rays = rays_of_class(static_cast<int>(state.range(0)));
  Shape box{};
  box.bounds = AxisBox{{-1, -1, -1}, {1, 1, 1}};
  size_t i = 0, passed = 0;
  for (auto _ : state) {
    const Ray& ray = rays[i++ & (kRayCount - 1)];
    passed += ray.box_test(&box, &ray);
  }
  benchmark::DoNotOptimize(passed);
  state.counters["pass_ratio"] = static_cast<double>(passed) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RayBoxTest)->DenseRange(0, 7);

// One slot-0 call per iteration on a ray that hits (range 1) or misses (0).
void run_slot0(benchmark::State& state, Shape* shape, const Ray& hit_ray, const Ray& miss_ray) {
  const Ray& ray = state.range(0) ? hit_ray : miss_ray;
  IntervalList list;
  int64_t found = 0;
  for (auto _ : state) {
    list.count = 0;
    found += shape->methods->All_Intersections(shape, &ray, &list);
    benchmark::ClobberMemory();
  }
  if (found != (state.range(0) ? state.iterations() : 0)) state.SkipWithError("unexpected result");
}

const Ray& hit_ray() {
  static const Ray r = make_ray({0.1f, 0.2f, -5}, {0.01f, -0.02f, 1});
  return r;
}
const Ray& miss_ray() {
  static const Ray r = make_ray({3, 0.2f, -5}, {0.01f, -0.02f, 1});
  return r;
}

void BM_Sphere(benchmark::State& state) {
  Sphere s{};
  s.methods = &sphere_methods;
  s.radius = 1;
  s.radius_squared = 1;
  run_slot0(state, &s, hit_ray(), miss_ray());
}
BENCHMARK(BM_Sphere)->Arg(1)->Arg(0);

void BM_Ellipsoid(benchmark::State& state) {
  Sphere s{};
  s.methods = &sphere_methods;
  s.radius = 1;
  s.radius_squared = 1;
  const Vec3 v{1.5f, 1, 1};
  Transform t;
  make_scaling(&t, v);
  s.methods->Scale(&s, &v, &t);
  run_slot0(state, &s, hit_ray(), miss_ray());
}
BENCHMARK(BM_Ellipsoid)->Arg(1)->Arg(0);

void BM_Box(benchmark::State& state) {
  Box b{};
  b.methods = &box_methods;
  b.corner1 = {-1, -1, -1};
  b.corner2 = {1, 1, 1};
  run_slot0(state, &b, hit_ray(), miss_ray());
}
BENCHMARK(BM_Box)->Arg(1)->Arg(0);

void BM_Plane(benchmark::State& state) {
  Plane p{};
  p.methods = &plane_methods;
  p.normal = {0, 0, -1};  // inside: z > 0
  p.distance = 0;
  const Ray away = make_ray({0, 0, -5}, {0, 0, -1});
  run_slot0(state, &p, hit_ray(), away);
}
BENCHMARK(BM_Plane)->Arg(1)->Arg(0);

void BM_PolyhedronCube(benchmark::State& state) {
  static const PolyFace faces[6] = {{{-1, 0, 0}, -1}, {{1, 0, 0}, -1}, {{0, -1, 0}, -1},
                                    {{0, 1, 0}, -1},  {{0, 0, -1}, -1}, {{0, 0, 1}, -1}};
  Polyhedron p{};
  p.methods = &polyhedron_methods;
  p.face_count = 6;
  p.faces = faces;
  run_slot0(state, &p, hit_ray(), miss_ray());
}
BENCHMARK(BM_PolyhedronCube)->Arg(1)->Arg(0);

// The profiler's share of every slot-0 call: one enter and one leave.
void BM_ProfileEnterLeave(benchmark::State& state) {
  static ProfileScope scope = PROFILE_SCOPE("bench_scope");
  for (auto _ : state) {
    profile_enter(&scope);
    profile_leave();
  }
}
BENCHMARK(BM_ProfileEnterLeave);

}  // namespace

BENCHMARK_MAIN();
