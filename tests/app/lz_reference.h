// A straightforward block codec, one byte and one item at a time, kept as
// the reference that the fast compressor and decompressor are compared with
// byte for byte.
#pragma once

#include "app/lz_codec.h"

#include <cstring>
#include <vector>

namespace lz_reference {

using Bytes = std::vector<uint8_t>;

inline Bytes compress(const Bytes& src) {
  const uint32_t n = uint32_t(src.size());
  std::vector<uint32_t> table(4096, 0xFFFFFFFF);
  Bytes dst{kLzCompressed, 0, 0};
  size_t control = 1;
  uint32_t bits = 0, pos = 0;
  int items = 0;
  const auto flag = [&](uint32_t bit) { bits = bits << 1 | bit; };
  while (pos < n) {
    if (items == 16) {
      dst[control] = uint8_t(bits >> 8);
      dst[control + 1] = uint8_t(bits);
      control = dst.size();
      dst.insert(dst.end(), {0, 0});
      items = 0;
    }
    ++items;
    const uint8_t c = src[pos];
    uint32_t run = 0;
    if (pos + 1 < n && src[pos + 1] == c)
      while (pos + run < n && run < 4095 && src[pos + run] == c) ++run;
    if (run >= 16) {
      dst.insert(dst.end(), {0, uint8_t((run - 16) >> 8), uint8_t(run - 16), c});
      flag(1);
      pos += run;
      continue;
    }
    uint32_t len = 0, m = 0;
    if (pos + 2 < n) {
      const uint32_t key = ((uint32_t(src[pos]) << 4 ^ src[pos + 1]) << 4) ^ src[pos + 2];
      const uint32_t h = ((key * 40543) >> 4) & 0xFFF;
      m = table[h];
      table[h] = pos;
      if (m != 0xFFFFFFFF && pos - m < 4096)
        while (pos + len < n && len < 18 && src[pos + len] == src[m + len]) ++len;
    }
    if (len >= 3) {
      const uint32_t word = (pos - m) * 16 + len - 3;
      dst.insert(dst.end(), {uint8_t(word >> 8), uint8_t(word)});
      flag(1);
      pos += len;
    } else {
      dst.push_back(c);
      flag(0);
      pos += 1;
    }
  }
  bits <<= 16 - items;
  dst[control] = uint8_t(bits >> 8);
  dst[control + 1] = uint8_t(bits);
  if (dst.size() > n) {
    dst = {kLzStored};
    dst.insert(dst.end(), src.begin(), src.end());
  }
  return dst;
}

// Answers the decoded bytes, or -1 in *result for a damaged block.
inline Bytes decompress(const Bytes& src, size_t capacity, int32_t* result) {
  Bytes out;
  *result = -1;
  const size_t size = src.size();
  if (size == 0) return out;
  if (src[0] == kLzStored) {
    if (size - 1 > capacity) return out;
    *result = int32_t(size - 1);
    return Bytes(src.begin() + 1, src.end());
  }
  size_t p = 1;
  while (p < size) {
    if (size - p < 2) return out;
    uint32_t control = uint32_t(src[p]) << 8 | src[p + 1];
    p += 2;
    for (int i = 0; i < 16 && p < size; ++i, control <<= 1) {
      if (!(control & 0x8000)) {
        if (out.size() >= capacity) return out;
        out.push_back(src[p++]);
        continue;
      }
      if (size - p < 2) return out;
      const uint32_t offset = uint32_t(src[p]) << 4 | src[p + 1] >> 4;
      if (offset == 0) {
        if (size - p < 4) return out;
        const size_t len = (size_t(src[p + 1] & 15) << 8 | src[p + 2]) + 16;
        if (len > capacity - out.size()) return out;
        out.insert(out.end(), len, src[p + 3]);
        p += 4;
        continue;
      }
      const size_t len = (src[p + 1] & 15) + 3;
      if (offset > out.size() || len > capacity - out.size()) return out;
      for (size_t k = 0; k < len; ++k) out.push_back(out[out.size() - offset]);
      p += 2;
    }
  }
  *result = int32_t(out.size());
  return out;
}

}  // namespace lz_reference
