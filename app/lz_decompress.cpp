// The block codec's checked decompressor. A group whose items all lie well
// inside the block and whose output fits well inside the destination is
// decoded without per-item bounds checks, with fixed-width stores that may run
// a little past a copy's end (never past the capacity); the careful item
// decoder finishes the block near either end.
#include "app/lz_codec.h"
#include "app/lz_format.h"

#include <algorithm>

namespace {

using namespace lz;

constexpr size_t kCopyStoreReach = 48;  // a copy stores at most this far past its start
// Block bytes that hold a control word and 16 items of any kind.
constexpr uint32_t kFastGroupBlock = kControlBytes + kGroupItems * kRunBytes;
// Destination room that holds 16 copies with their store reach.
constexpr size_t kFastGroupRoom = (kGroupItems - 1) * kMaxCopy + kCopyStoreReach;
constexpr uint32_t kAllReferences = 0xFFFF;  // a control word of 16 copies or runs
// How far back a copy in a streak of repeated copies reads at most (well
// inside the first-level cache, well past the stores still in flight).
constexpr size_t kMaxStreakReach = 1024;
// A whole group of one repeated 18-byte copy: its output, and the block
// bytes of such a group when it follows one of the same copy.
constexpr size_t kRepeatedGroupOutput = kGroupItems * kMaxCopy;
constexpr uint32_t kRepeatedGroupBlock = kControlBytes + kGroupItems * kCopyBytes;

// Repeats the `offset` bytes before `to` for up to 18 bytes (offset < 16,
// so the copy overlaps what it produces). The pattern is built from bytes
// written before this copy and stored at whole multiples of the offset, so
// no load waits for a store of this copy; stores reach at most
// kCopyStoreReach bytes past `to`.
inline void copyPattern(uint8_t* to, uint32_t offset) {
  const uint8_t* from = to - offset;
  if (offset >= 8) {  // the first `offset` of each 16 bytes are valid
    uint8_t pattern[16];
    copy16(pattern, from);
    for (uint32_t k = 0; k < 3; ++k) copy16(to + k * offset, pattern);
    return;
  }
  // Below 8: one word holding the pattern repeated, stored four times a
  // whole number of periods apart (at most 8 bytes).
  uint64_t word = load64(from);
  const uint32_t bits = offset * 8;
  if constexpr (std::endian::native == std::endian::little) {
    word &= (uint64_t(1) << bits) - 1;
    for (uint32_t shift = bits; shift < 64; shift *= 2) word |= word << shift;
  } else {
    word &= ~(~uint64_t(0) >> bits);
    for (uint32_t shift = bits; shift < 64; shift *= 2) word |= word >> shift;
  }
  const uint32_t step = offset * (8 / offset);
  for (uint32_t k = 0; k < 4; ++k) store64(to + k * step, word);
}

// Copies exactly 18 bytes from `from` (at least 16 bytes before `to`).
inline void copyLongest(uint8_t* to, const uint8_t* from) {
  copy16(to, from);
  uint16_t tail;
  memcpy(&tail, from + 16, sizeof tail);
  memcpy(to + 16, &tail, sizeof tail);
}

// Copies 3 to 18 bytes from `offset` back; may store up to kCopyStoreReach
// bytes past `to`. From 16 back on, every length is made as 18 bytes: one
// branch less, and the bytes past a shorter copy are rewritten by the items
// after it. The 16-byte store and the tail stay apart (not two overlapping
// 16-byte stores) so that a later copy that reads these bytes back finds
// each of its loads inside one earlier store. At 16 and 17 back the tail
// reads bytes that the 16-byte store just wrote, as an overlapping copy must.
inline void copyFast(uint8_t* to, uint32_t offset) {
  if (offset >= 16) {
    copyLongest(to, to - offset);
  } else {
    copyPattern(to, offset);
  }
}

struct Decoder {
  const uint8_t* src;
  uint32_t size;
  uint8_t* dst;
  size_t capacity;
  uint32_t p = 1;
  size_t out = 0;
  // The last streak of groups of one repeated 18-byte copy: the output from
  // streakStart to streakEnd repeats with period streakOffset. Its copies
  // read from streakReach back, a whole number of periods.
  size_t streakStart = 0, streakEnd = 0, streakReach = 0;
  uint32_t streakOffset = 0;

  // One item with every check; false for a damaged block.
  bool carefulItem(bool reference) {
    if (!reference) {
      if (out >= capacity) return false;
      dst[out++] = src[p++];
      return true;
    }
    if (size - p < kCopyBytes) return false;
    const uint32_t word = load16be(src + p);
    const uint32_t offset = word >> 4;
    if (offset == 0) return run();
    const size_t len = (word & kLengthMask) + kMinCopy;
    if (offset > out || len > capacity - out) return false;
    uint8_t* to = dst + out;
    const uint8_t* from = to - offset;
    for (size_t i = 0; i < len; ++i) to[i] = from[i];  // overlapping copies repeat
    out += len;
    p += kCopyBytes;
    return true;
  }

  bool run() {
    if (size - p < kRunBytes) return false;
    const size_t len = (size_t(src[p + 1] & kLengthMask) << 8 | src[p + 2]) + kMinRun;
    if (len > capacity - out) return false;
    memset(dst + out, src[p + 3], len);
    out += len;
    p += kRunBytes;
    return true;
  }

  // Sixteen copies of 18 bytes at one offset of at least 18 (checked by the
  // caller), as flat areas of a picture give. Groups of them that follow one
  // another at one offset form a streak of output that repeats with that
  // period, so each copy may read from a whole number of periods back
  // instead of from the bytes that the copies just before it still store.
  // Once the streak reaches a whole group back, the group is a plain copy of
  // bytes wholly before it, made in 16-byte pieces.
  void repeatedCopies(uint32_t offset) {
    if (streakOffset != offset || streakEnd != out) {
      streakStart = out - offset;
      streakOffset = offset;
      streakReach = offset;
    }
    const size_t limit = std::min(out - streakStart, kMaxStreakReach);
    while (streakReach + offset <= limit) streakReach += offset;
    uint8_t* to = dst + out;
    if (streakReach >= kRepeatedGroupOutput) {
      for (size_t i = 0; i < kRepeatedGroupOutput; i += 16) copy16(to + i, to + i - streakReach);
    } else {
      for (int i = 0; i < kGroupItems; ++i, to += kMaxCopy) copyLongest(to, to - streakReach);
    }
    out += kRepeatedGroupOutput;
    streakEnd = out;
  }

  // Is the next group another whole group of the copy word `word`, with its
  // block bytes present and room for its output?
  bool nextGroupRepeats(uint32_t word) const {
    return size - p >= kRepeatedGroupBlock && capacity - out >= kRepeatedGroupOutput &&
           load16be(src + p) == kAllReferences && load16be(src + p + kControlBytes) == word &&
           sixteenEqualWords(src + p + kControlBytes);
  }

  // Decodes the group's items without bounds checks (the caller checked that
  // kFastGroupBlock block bytes and kFastGroupRoom destination bytes remain).
  // Answers the items left for the careful decoder (after a run that leaves
  // too little room), or -1 for a damaged block.
  int fastGroup(uint32_t& control) {
    if (control == 0) {  // sixteen literals
      copy16(dst + out, src + p);
      out += kGroupItems;
      p += kGroupItems;
      return 0;
    }
    if (control == kAllReferences && sixteenEqualWords(src + p)) {
      const uint32_t word = load16be(src + p);
      const uint32_t offset = word >> 4;
      if ((word & kLengthMask) == kMaxCopy - kMinCopy && offset >= kMaxCopy) {
        if (offset > out) return -1;
        // The groups of a streak follow one another in this loop; the first
        // check of the offset holds for all of them.
        repeatedCopies(offset);
        p += kGroupItems * kCopyBytes;
        while (nextGroupRepeats(word)) {
          p += kControlBytes;
          repeatedCopies(offset);
          p += kGroupItems * kCopyBytes;
        }
        return 0;
      }
    }
    for (int left = kGroupItems; left > 0; --left, control <<= 1) {
      if (!(control & kReferenceBit)) {
        dst[out++] = src[p++];
        continue;
      }
      const uint32_t word = load16be(src + p);
      const uint32_t offset = word >> 4;
      if (offset == 0) {
        if (!run()) return -1;
        if (capacity - out < kFastGroupRoom) {
          control <<= 1;
          return left - 1;
        }
        continue;
      }
      if (offset > out) return -1;
      copyFast(dst + out, offset);
      out += (word & kLengthMask) + kMinCopy;
      p += kCopyBytes;
    }
    return 0;
  }

  int32_t decode() {
    while (p < size) {
      if (size - p < kControlBytes) return -1;
      uint32_t control = load16be(src + p);
      p += kControlBytes;
      int left = kGroupItems;
      if (size - p >= kFastGroupBlock - kControlBytes && capacity - out >= kFastGroupRoom) {
        left = fastGroup(control);
        if (left < 0) return -1;
      }
      // The block may end inside a group: the rest of its bits are unused.
      for (; left > 0 && p < size; --left, control <<= 1)
        if (!carefulItem(control & kReferenceBit)) return -1;
    }
    return int32_t(out);
  }
};

}  // namespace

int32_t lzDecompress(const uint8_t* src, uint32_t size, uint8_t* dst, size_t capacity) {
  if (size == 0) return -1;
  if (src[0] == kLzStored) {
    if (size - 1 > capacity) return -1;
    if (size > 1) memcpy(dst, src + 1, size - 1);
    return int32_t(size - 1);
  }
  return Decoder{src, size, dst, capacity}.decode();
}
