// Brute-force glow layers for the tests: every pixel of the full layer from
// its mask word, block averages summed pixel by pixel, and the blur as
// blurRow on every row, then blurColumn on every column.
#pragma once

#include "app/glow.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace glow_reference {

using std::size_t;

using Bytes = std::vector<uint8_t>;

// Per channel: the truncated average of truncated row averages of one block.
inline Bytes reduce(const Bytes& p, int w, int h, int s) {
  Bytes out(size_t(w / s) * (h / s) * 4);
  for (int r = 0; r < h / s; ++r)
    for (int g = 0; g < w / s; ++g)
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int y = r * s; y < r * s + s; ++y) {
          int rowSum = 0;
          for (int x = g * s; x < g * s + s; ++x) rowSum += p[(size_t(y) * w + x) * 4 + c];
          sum += rowSum / s;
        }
        out[(size_t(r) * (w / s) + g) * 4 + c] = uint8_t(sum / s);
      }
  return out;
}

struct Layers {
  Bytes full, nearHalo, wideHalo;
};

inline Layers build(const Bytes& mask, int w, int h, uint32_t maskBit, GlowColour colour,
                    const GlowSettings& settings) {
  Layers out;
  out.full.resize(size_t(w) * h * 4);
  for (size_t i = 0; i < size_t(w) * h; ++i) {
    const uint32_t word = uint32_t(mask[i * 4]) | uint32_t(mask[i * 4 + 1]) << 8 |
                          uint32_t(mask[i * 4 + 2]) << 16 | uint32_t(mask[i * 4 + 3]) << 24;
    const uint8_t pixel[4] = {colour.red, colour.green, colour.blue,
                              uint8_t((word & maskBit) != 0 ? 255 : 0)};
    for (int c = 0; c < 4; ++c) out.full[i * 4 + c] = pixel[c];
  }
  const int s = settings.supersample, rw = w / s, rh = h / s;
  const Bytes reduced = reduce(out.full, w, h, s);
  for (auto [k, halo] : {std::pair{settings.nearK, &out.nearHalo}, {settings.wideK, &out.wideHalo}}) {
    *halo = reduced;
    for (int row = 0; row < rh; ++row) blurRow(k, halo->data(), rw, row);
    for (int col = 0; col < rw; ++col) blurColumn(k, halo->data(), rw, rh, col);
  }
  return out;
}

}  // namespace glow_reference
