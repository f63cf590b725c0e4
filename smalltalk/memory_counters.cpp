#include "smalltalk/memory_counters.h"

#include <malloc.h>

#include <cstdlib>

#include "smalltalk/fatal.h"

MemoryCounters memoryCounters = {0, 0, 0};

namespace {

// The counters hold what the allocator really reserved, not what was asked for.
uint32_t allocatorSize(void* block) { return static_cast<uint32_t>(malloc_usable_size(block)); }

}  // namespace

void* acquireBlock(size_t bytes) {
  void* block = std::calloc(1, bytes);
  if (block == nullptr) return nullptr;
  memoryCounters.bytesInUse += allocatorSize(block);
  memoryCounters.allocationCount += 1;
  return block;
}

void releaseBlock(void* block) {
  if (block == nullptr) return;
  memoryCounters.bytesInUse -= allocatorSize(block);
  memoryCounters.releaseCount += 1;
  std::free(block);
}

void releaseBody(void* x) {
  TOLVA_CHECK(x != NULL, kSourceTolva);
  releaseBlock(x);
}
