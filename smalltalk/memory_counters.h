// Every block of memory the script system acquires or releases goes through
// here, so the three counters (primitive 42, codes 80 to 82) see all of them.
#pragma once

#include <cstddef>
#include <cstdint>

struct MemoryCounters {
  uint32_t bytesInUse;       // sum of the allocator's sizes of the blocks held
  uint32_t allocationCount;  // blocks acquired
  uint32_t releaseCount;     // blocks released
};

// The process-wide counters (wrap around in unsigned 32-bit arithmetic).
extern MemoryCounters memoryCounters;

// A zero-filled block of at least bytes bytes, counted; null when the
// allocator has none (bytes must be greater than 0).
void* acquireBlock(size_t bytes);
// A zero-filled block for one large table that lives as long as the object
// world: mapped directly and offered huge pages, so that filling it costs a
// few page faults instead of thousands. Counted like acquireBlock; null when
// no memory is left. Release it with releaseLargeBlock and the same size.
void* acquireLargeBlock(size_t bytes);
void releaseLargeBlock(void* block, size_t bytes);
// Releases a block from acquireBlock, counted; null is ignored.
void releaseBlock(void* block);
// Releases an object body, counted; a null body is an internal error ("x != NULL").
void releaseBody(void* x);
