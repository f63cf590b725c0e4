// The block codec: compressor and checked decompressor.
#include "app/lz_codec.h"

#include <bit>
#include <cstring>

namespace {

constexpr int kGroupItems = 16;
constexpr uint32_t kHashEntries = 4096;
constexpr uint32_t kHashMask = kHashEntries - 1;
constexpr uint32_t kHashMultiplier = 40543;
constexpr uint32_t kEmpty = 0xFFFFFFFF;
constexpr uint32_t kWindow = 4096;      // offsets are 12 bits: 1 to 4095
constexpr uint32_t kMinCopy = 3;
constexpr uint32_t kMaxCopy = 18;
constexpr uint32_t kMinRun = 16;
constexpr uint32_t kMaxRun = 4095;

inline uint32_t hashAt(const uint8_t* p) {
  const uint32_t key = ((uint32_t(p[0]) << 4 ^ p[1]) << 4) ^ p[2];
  return ((key * kHashMultiplier) >> 4) & kHashMask;
}

// Length of the run of src[pos] starting at pos, at most kMaxRun.
inline uint32_t runLength(const uint8_t* src, uint32_t pos, uint32_t n) {
  const uint32_t limit = n - pos < kMaxRun ? n - pos : kMaxRun;
  const uint8_t c = src[pos];
  uint32_t r = 1;
  while (r < limit && src[pos + r] == c) ++r;
  return r;
}

// Leading bytes that src + pos shares with src + m, at most kMaxCopy. Compares
// eight bytes at a time on little-endian hosts (the first differing byte is
// then the lowest set byte of the XOR).
inline uint32_t matchLength(const uint8_t* src, uint32_t pos, uint32_t m, uint32_t n) {
  const uint32_t limit = n - pos < kMaxCopy ? n - pos : kMaxCopy;
  uint32_t len = 0;
  if constexpr (std::endian::native == std::endian::little) {
    while (len + 8 <= limit) {
      uint64_t a, b;
      memcpy(&a, src + pos + len, 8);
      memcpy(&b, src + m + len, 8);
      if (a != b) return len + uint32_t(std::countr_zero(a ^ b)) / 8;
      len += 8;
    }
  }
  while (len < limit && src[pos + len] == src[m + len]) ++len;
  return len;
}

inline void putControl(uint8_t* dst, uint32_t at, uint32_t bits) {
  dst[at] = uint8_t(bits >> 8);
  dst[at + 1] = uint8_t(bits);
}

}  // namespace

uint32_t lzCompress(uint8_t* dst, const uint8_t* src, uint32_t n) {
  uint32_t table[kHashEntries];
  memset(table, 0xFF, sizeof table);
  dst[0] = kLzCompressed;
  uint32_t control = 1, out = 3, bits = 0, pos = 0;
  int items = 0;
  while (pos < n) {
    if (items == kGroupItems) {
      putControl(dst, control, bits);
      control = out;
      out += 2;
      items = 0;
    }
    const uint8_t c = src[pos];
    const uint32_t run = pos + 1 < n && src[pos + 1] == c ? runLength(src, pos, n) : 0;
    if (run >= kMinRun) {
      dst[out] = 0;
      dst[out + 1] = uint8_t((run - kMinRun) >> 8);
      dst[out + 2] = uint8_t(run - kMinRun);
      dst[out + 3] = c;
      out += 4;
      bits = bits << 1 | 1;
      pos += run;
    } else {
      uint32_t len = 0, offset = 0;
      if (pos + 2 < n) {
        const uint32_t h = hashAt(src + pos);
        const uint32_t m = table[h];
        table[h] = pos;
        if (m != kEmpty && pos - m < kWindow) {
          len = matchLength(src, pos, m, n);
          offset = pos - m;
        }
      }
      if (len >= kMinCopy) {
        const uint32_t word = offset * 16 + len - kMinCopy;
        dst[out] = uint8_t(word >> 8);
        dst[out + 1] = uint8_t(word);
        out += 2;
        bits = bits << 1 | 1;
        pos += len;
      } else {
        dst[out++] = c;
        bits <<= 1;
        pos += 1;
      }
    }
    ++items;
  }
  putControl(dst, control, bits << (kGroupItems - items));
  if (out > n) {
    dst[0] = kLzStored;
    if (n > 0) memcpy(dst + 1, src, n);
    return n + 1;
  }
  return out;
}

int32_t lzDecompress(const uint8_t* src, uint32_t size, uint8_t* dst, size_t capacity) {
  if (size == 0) return -1;
  if (src[0] == kLzStored) {
    if (size - 1 > capacity) return -1;
    if (size > 1) memcpy(dst, src + 1, size - 1);
    return int32_t(size - 1);
  }
  size_t out = 0;
  uint32_t p = 1, control = 0;
  int bitsLeft = 0;
  while (p < size) {
    if (bitsLeft == 0) {
      if (size - p < 2) return -1;
      control = uint32_t(src[p]) << 8 | src[p + 1];
      p += 2;
      bitsLeft = kGroupItems;
      if (p == size) break;  // a control word with no items after it ends the block
    }
    const bool reference = control & 0x8000;
    control <<= 1;
    --bitsLeft;
    if (!reference) {
      if (out >= capacity) return -1;
      dst[out++] = src[p++];
      continue;
    }
    if (size - p < 2) return -1;
    const uint32_t offset = uint32_t(src[p]) << 4 | src[p + 1] >> 4;
    if (offset == 0) {
      if (size - p < 4) return -1;
      const size_t len = (size_t(src[p + 1] & 15) << 8 | src[p + 2]) + kMinRun;
      if (len > capacity - out) return -1;
      memset(dst + out, src[p + 3], len);
      out += len;
      p += 4;
      continue;
    }
    const size_t len = (src[p + 1] & 15) + kMinCopy;
    if (offset > out || len > capacity - out) return -1;
    uint8_t* to = dst + out;
    const uint8_t* from = to - offset;
    if (offset >= len) {
      memcpy(to, from, len);
    } else {
      for (size_t i = 0; i < len; ++i) to[i] = from[i];  // overlapping: repeats the last bytes
    }
    out += len;
    p += 2;
  }
  return int32_t(out);
}
