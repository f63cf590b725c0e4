// Every block of memory the script system acquires or releases goes through
// here, so the three counters (primitive 42, codes 80 to 82) see all of them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "smalltalk/block_pool.h"
#include "smalltalk/fatal.h"

struct MemoryCounters {
  uint32_t bytesInUse;       // sum of the allocator's sizes of the blocks held
  uint32_t allocationCount;  // blocks acquired
  uint32_t releaseCount;     // blocks released
};

// The process-wide counters (wrap around in unsigned 32-bit arithmetic).
extern MemoryCounters memoryCounters;

// A zero-filled block for one large table that lives as long as the object
// world: mapped directly and offered huge pages, so that filling it costs a
// few page faults instead of thousands. Counted like acquireBlock; null when
// no memory is left. Release it with releaseLargeBlock and the same size.
void* acquireLargeBlock(size_t bytes);
void releaseLargeBlock(void* block, size_t bytes);
// The paths of acquireBlock and releaseBlock past the pool's free lists
// (acquireBlockSlowly is called when the class's list is empty): new slabs,
// the C library's blocks, null.
void* acquireBlockSlowly(size_t bytes);
void releaseBlockSlowly(void* block);

// A zero-filled block of at least bytes bytes, counted; null when the
// allocator has none (bytes must be greater than 0).
inline void* acquireBlock(size_t bytes) {
  using namespace block_pool;
  if (pooledBytes(bytes)) {
    const size_t cls = classOf(bytes);
    if (void* block = takeFreeBlock(cls)) {
      memoryCounters.bytesInUse += static_cast<uint32_t>(classBytes(cls));
      memoryCounters.allocationCount += 1;
      return block;
    }
  }
  return acquireBlockSlowly(bytes);
}

// Releases a block from acquireBlock, counted; null is ignored.
inline void releaseBlock(void* block) {
  using namespace block_pool;
  if (inPool(block)) {
    const size_t cls = classOfPooled(block);
    memoryCounters.releaseCount += 1;
    memoryCounters.bytesInUse -= static_cast<uint32_t>(classBytes(cls));
    giveFreeBlock(block, cls);
    return;
  }
  releaseBlockSlowly(block);
}

// Releases an object body, counted; a null body is an internal error ("x != NULL").
inline void releaseBody(void* x) {
  TOLVA_CHECK(x != NULL, kSourceTolva);
  releaseBlock(x);
}
