#include "smalltalk/memory_counters.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

#include "smalltalk/fatal.h"

MemoryCounters memoryCounters = {0, 0, 0};
block_pool::Pool block_pool::pool;

namespace {

// The counters hold what the allocator really reserved, not what was asked for.
uint32_t allocatorSize(void* block) { return static_cast<uint32_t>(malloc_usable_size(block)); }

// Large blocks are whole huge pages, so that the last one is not split.
constexpr size_t kHugePageBytes = size_t{2} << 20;
size_t mappedSize(size_t bytes) { return (bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1); }

using namespace block_pool;

bool reservePool() {
  if (pool.base != nullptr) return true;
  if (pool.refused) return false;
  void* range = mmap(nullptr, kPoolBytes, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (range == MAP_FAILED) {
    pool.refused = true;
    return false;
  }
  pool.base = static_cast<uint8_t*>(range);
  return true;
}

// A zeroed block of class cls from a new slab, or null when the pool has no
// room left. Out of line, so that the common case below stays small.
[[gnu::noinline]] void* takeFromNewSlab(size_t cls) {
  if (pool.bump[cls] == pool.bumpEnd[cls]) {
    if (!reservePool() || pool.slabsUsed == kSlabCount) return nullptr;
    pool.slabClass[pool.slabsUsed] = static_cast<uint8_t>(cls);
    pool.bump[cls] = pool.base + pool.slabsUsed * kSlabBytes;  // fresh pages are zero
    pool.bumpEnd[cls] = pool.bump[cls] + kSlabBytes / classBytes(cls) * classBytes(cls);
    ++pool.slabsUsed;
  }
  void* block = pool.bump[cls];
  pool.bump[cls] += classBytes(cls);
  return block;
}

// A zeroed block from the C library, or null; its size goes to size.
[[gnu::noinline]] void* takeFromLibrary(size_t bytes, uint32_t& size) {
  void* block = std::calloc(1, bytes);
  if (block != nullptr) size = allocatorSize(block);
  return block;
}

}  // namespace

void* acquireBlockSlowly(size_t bytes) {
  void* block = nullptr;
  uint32_t size = 0;
  if (pooledBytes(bytes)) {
    // acquireBlock found the class's free list empty: a new block is cut.
    const size_t cls = classOf(bytes);
    block = takeFromNewSlab(cls);
    size = static_cast<uint32_t>(classBytes(cls));
  }
  if (block == nullptr) {
    block = takeFromLibrary(bytes, size);
    if (block == nullptr) return nullptr;
  }
  memoryCounters.bytesInUse += size;
  memoryCounters.allocationCount += 1;
  return block;
}

// A sanitized build takes large blocks from the C library too: the leak
// checker looks for references only in blocks it knows, and the object
// table's references to every body must be seen.
void* acquireLargeBlock(size_t bytes) {
  if (!kOwnBlocks) return acquireBlock(bytes);
  const size_t size = mappedSize(bytes);
  void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return nullptr;
  madvise(block, size, MADV_HUGEPAGE);  // a hint: without huge pages the block works alike
  memoryCounters.bytesInUse += static_cast<uint32_t>(size);
  memoryCounters.allocationCount += 1;
  return block;
}

void releaseLargeBlock(void* block, size_t bytes) {
  if (!kOwnBlocks) return releaseBlock(block);
  if (block == nullptr) return;
  const size_t size = mappedSize(bytes);
  memoryCounters.bytesInUse -= static_cast<uint32_t>(size);
  memoryCounters.releaseCount += 1;
  munmap(block, size);
}

void releaseBlockSlowly(void* block) {
  if (block == nullptr) return;
  memoryCounters.releaseCount += 1;
  if (inPool(block)) {
    const size_t cls = classOfPooled(block);
    memoryCounters.bytesInUse -= static_cast<uint32_t>(classBytes(cls));
    giveFreeBlock(block, cls);
    return;
  }
  memoryCounters.bytesInUse -= allocatorSize(block);
  std::free(block);
}
