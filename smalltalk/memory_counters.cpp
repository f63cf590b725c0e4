#include "smalltalk/memory_counters.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

#include "smalltalk/fatal.h"

MemoryCounters memoryCounters = {0, 0, 0};

namespace {

// The counters hold what the allocator really reserved, not what was asked for.
uint32_t allocatorSize(void* block) { return static_cast<uint32_t>(malloc_usable_size(block)); }

// Large blocks are whole huge pages, so that the last one is not split.
constexpr size_t kHugePageBytes = size_t{2} << 20;
size_t mappedSize(size_t bytes) { return (bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1); }

// Small blocks (most object bodies: Floats, Points, Contexts, short Arrays
// and Strings) come from a pool: one reserved address range cut into 64 KB
// slabs, each serving one size class from its own free list. Taking and
// giving back a block is then a list operation, and a block's class is found
// from its address. A sanitized build leaves every block to the C library,
// whose checks would not see inside a slab.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnBlocks = false;
#else
constexpr bool kOwnBlocks = true;
#endif
constexpr size_t kGranule = 8;
constexpr size_t kLargestPooled = 128;
constexpr size_t kClassCount = kLargestPooled / kGranule;
constexpr size_t kSlabBytes = size_t{64} << 10;
constexpr size_t kPoolBytes = size_t{1} << 32;  // address space only; pages come as used
constexpr size_t kSlabCount = kPoolBytes / kSlabBytes;

struct FreeBlock {
  FreeBlock* next;
};

struct Pool {
  uint8_t* base = nullptr;  // null: not reserved (yet, or the system refused)
  bool refused = false;
  size_t slabsUsed = 0;
  FreeBlock* free[kClassCount] = {};
  uint8_t* bump[kClassCount] = {};  // next uncut block of the class's newest slab
  uint8_t* bumpEnd[kClassCount] = {};
  uint8_t slabClass[kSlabCount] = {};
};
Pool pool;

size_t classOf(size_t bytes) { return (bytes - 1) / kGranule; }
size_t classBytes(size_t cls) { return (cls + 1) * kGranule; }

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

bool inPool(const void* block) {
  const auto* p = static_cast<const uint8_t*>(block);
  return pool.base != nullptr && p >= pool.base && p < pool.base + kPoolBytes;
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

// A zeroed block of class cls, or null when the pool has no room left.
void* takePooled(size_t cls) {
  if (FreeBlock* block = pool.free[cls]) {
    pool.free[cls] = block->next;
    // Granule by granule: a fixed-size clear compiles to one store, where a
    // call of the library's memset for these few bytes costs more than the rest.
    auto* bytes = reinterpret_cast<uint8_t*>(block);
    for (size_t offset = 0; offset < classBytes(cls); offset += kGranule)
      std::memset(bytes + offset, 0, kGranule);
    return block;
  }
  return takeFromNewSlab(cls);
}

// A zeroed block from the C library, or null; its size goes to size.
[[gnu::noinline]] void* takeFromLibrary(size_t bytes, uint32_t& size) {
  void* block = std::calloc(1, bytes);
  if (block != nullptr) size = allocatorSize(block);
  return block;
}

size_t pooledSize(const void* block) {
  const auto offset = static_cast<size_t>(static_cast<const uint8_t*>(block) - pool.base);
  const size_t slab = offset / kSlabBytes;
  return classBytes(pool.slabClass[slab]);
}

}  // namespace

void* acquireBlock(size_t bytes) {
  void* block = nullptr;
  uint32_t size = 0;
  if (kOwnBlocks && bytes > 0 && bytes <= kLargestPooled) {
    block = takePooled(classOf(bytes));
    size = static_cast<uint32_t>(classBytes(classOf(bytes)));
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

void releaseBlock(void* block) {
  if (block == nullptr) return;
  memoryCounters.releaseCount += 1;
  if (inPool(block)) {
    const size_t size = pooledSize(block);
    memoryCounters.bytesInUse -= static_cast<uint32_t>(size);
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = pool.free[classOf(size)];
    pool.free[classOf(size)] = freed;
    return;
  }
  memoryCounters.bytesInUse -= allocatorSize(block);
  std::free(block);
}

void releaseBody(void* x) {
  TOLVA_CHECK(x != NULL, kSourceTolva);
  releaseBlock(x);
}
