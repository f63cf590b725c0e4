#include "smalltalk/memory_counters.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdlib>

#include "smalltalk/fatal.h"

MemoryCounters memoryCounters = {0, 0, 0};

namespace {

// The counters hold what the allocator really reserved, not what was asked for.
uint32_t allocatorSize(void* block) { return static_cast<uint32_t>(malloc_usable_size(block)); }

// Large blocks are whole huge pages, so that the last one is not split.
constexpr size_t kHugePageBytes = size_t{2} << 20;
size_t mappedSize(size_t bytes) { return (bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1); }

}  // namespace

void* acquireBlock(size_t bytes) {
  void* block = std::calloc(1, bytes);
  if (block == nullptr) return nullptr;
  memoryCounters.bytesInUse += allocatorSize(block);
  memoryCounters.allocationCount += 1;
  return block;
}

void* acquireLargeBlock(size_t bytes) {
  const size_t size = mappedSize(bytes);
  void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return nullptr;
  madvise(block, size, MADV_HUGEPAGE);  // a hint: without huge pages the block works alike
  memoryCounters.bytesInUse += static_cast<uint32_t>(size);
  memoryCounters.allocationCount += 1;
  return block;
}

void releaseLargeBlock(void* block, size_t bytes) {
  if (block == nullptr) return;
  const size_t size = mappedSize(bytes);
  memoryCounters.bytesInUse -= static_cast<uint32_t>(size);
  memoryCounters.releaseCount += 1;
  munmap(block, size);
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
