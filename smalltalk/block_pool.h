// The pool of small blocks behind acquireBlock and releaseBlock: most object
// bodies (Floats, Points, Contexts, short Arrays and Strings) come from one
// reserved address range cut into 64 KB slabs, each serving one size class
// from its own free list. Taking and giving back a block is then a list
// operation, and a block's class is found from its address. A sanitized
// build leaves every block to the C library, whose checks would not see
// inside a slab.
//
// Declared here so that the list operations are made in line where bodies
// come and go at the highest rate (Float results, the collector's sweep);
// slabs are cut and reserved in memory_counters.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace block_pool {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kOwnBlocks = false;
#else
inline constexpr bool kOwnBlocks = true;
#endif
inline constexpr size_t kGranule = 8;
inline constexpr size_t kLargestPooled = 128;
inline constexpr size_t kClassCount = kLargestPooled / kGranule;
inline constexpr size_t kSlabBytes = size_t{64} << 10;
inline constexpr size_t kPoolBytes = size_t{1} << 32;  // address space only; pages come as used
inline constexpr size_t kSlabCount = kPoolBytes / kSlabBytes;

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
extern Pool pool;

// Blocks of 1 to kLargestPooled bytes are pooled, in classes of kGranule bytes.
inline bool pooledBytes(size_t bytes) { return kOwnBlocks && bytes - 1 < kLargestPooled; }
inline size_t classOf(size_t bytes) { return (bytes - 1) / kGranule; }
inline size_t classBytes(size_t cls) { return (cls + 1) * kGranule; }

inline bool inPool(const void* block) {
  const uintptr_t offset = reinterpret_cast<uintptr_t>(block) - reinterpret_cast<uintptr_t>(pool.base);
  return pool.base != nullptr && offset < kPoolBytes;
}

// The class of a block inside the pool, from its slab.
inline size_t classOfPooled(const void* block) {
  const uintptr_t offset = reinterpret_cast<uintptr_t>(block) - reinterpret_cast<uintptr_t>(pool.base);
  return pool.slabClass[offset / kSlabBytes];
}

// A zeroed block of class cls from its free list, or null when the list is
// empty. Granule by granule: a fixed-size clear compiles to a few stores,
// where a call of the library's memset for these few bytes costs more than
// the rest.
inline void* takeFreeBlock(size_t cls) {
  FreeBlock* block = pool.free[cls];
  if (block == nullptr) return nullptr;
  pool.free[cls] = block->next;
  auto* bytes = reinterpret_cast<uint8_t*>(block);
  for (size_t offset = 0; offset < classBytes(cls); offset += kGranule)
    std::memset(bytes + offset, 0, kGranule);
  return block;
}

inline void giveFreeBlock(void* block, size_t cls) {
  auto* freed = static_cast<FreeBlock*>(block);
  freed->next = pool.free[cls];
  pool.free[cls] = freed;
}

}  // namespace block_pool
