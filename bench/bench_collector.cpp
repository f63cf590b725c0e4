// Time of a full collection of the script system's object table with a given
// number of live objects (reachable from the globals, so every iteration
// marks and sweeps the same world).
#include <benchmark/benchmark.h>

#include "smalltalk/bootstrap.h"
#include "smalltalk/collector.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/object_table.h"
#include "smalltalk/symbols.h"

namespace {

// Live objects in groups: one Array per group holding two-word objects that
// point at a byte object each, the shape of typical small instances.
constexpr uint32_t kGroup = 1000;

void buildLiveWorld(uint32_t liveObjects) {
  bootstrapObjectWorld();
  uint32_t groups = liveObjects / (2 * kGroup);
  ObjectRef all = newArray(groups);
  setGlobal("benchRoots", all);
  for (uint32_t g = 0; g < groups; ++g) {
    ObjectRef group = newArray(kGroup);
    storeWord(all, g, group);
    for (uint32_t i = 0; i < kGroup; ++i) {
      ObjectRef instance = newPointerObject(2);
      storeWord(group, i, instance);
      storeWord(instance, 0, newByteObject(8));
      storeWord(instance, 1, smallInt(static_cast<int32_t>(i)));
    }
  }
}

void BM_FullCollection(benchmark::State& state) {
  buildLiveWorld(static_cast<uint32_t>(state.range(0)));
  for (auto _ : state) collectGarbage(false);
  state.counters["free_entries"] = freeEntryCount();
  destroyObjectTable();
}
BENCHMARK(BM_FullCollection)->Arg(10000)->Arg(200000)->Unit(benchmark::kMillisecond);

// Allocation of short-lived objects, including the collections that the
// exhausted free list triggers.
void BM_AllocateGarbage(benchmark::State& state) {
  bootstrapObjectWorld();
  for (auto _ : state) clearFresh(newPointerObject(4));
  state.SetItemsProcessed(state.iterations());
  destroyObjectTable();
}
BENCHMARK(BM_AllocateGarbage);

}  // namespace

BENCHMARK_MAIN();
