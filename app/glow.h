// Glow layers, computed on the CPU: the flat full layer marked by one mask bit,
// its box reduction by the supersample factor, and the fixed-point recursive
// blur that turns the reduced layer into the near and the wide halo.
// Pixels are 4 bytes (red, green, blue, alpha), rows bottom first, no padding.
#pragma once

#include <cstdint>
#include <vector>

// What the two programs differ in.
struct GlowSettings {
  int supersample;      // box reduction factor, a power of two
  int32_t nearK;        // blur coefficients: (1 - e^(-2.3 / radius)) * 65536
  int32_t wideK;
  int nearRadius;
  int wideRadius;
  int heightMultiple;   // the picture height is rounded down to a multiple of this
};

// One row per build: lumra reduces by 8, lumra4 by 4 (and rounds the height).
constexpr GlowSettings kGlowSettingsTable[] = {
    {8, 24164, 10627, 5, 13, 1},
    {4, 14779, 5760, 9, 25, 4},
};

constexpr const GlowSettings& glowSettingsFor(int supersample) {
  return supersample == kGlowSettingsTable[0].supersample ? kGlowSettingsTable[0]
                                                          : kGlowSettingsTable[1];
}

// The smallest power of two strictly greater than n (2 for n below 2).
int32_t pow2Above(int32_t n);

// Reduces a width x height layer by `factor` into `reduced`, which receives
// (width / factor) x (height / factor) pixels: per channel the truncated
// average of `factor` truncated row averages. Trailing columns and rows that
// do not fill a block are ignored.
void boxDownsample(const uint8_t* pixels, int width, int height, int factor, uint8_t* reduced);

// Recursive blur of one row / one column, each channel separately, forward then backward.
void blurRow(int32_t k, uint8_t* pixels, int width, int row);
void blurColumn(int32_t k, uint8_t* pixels, int width, int height, int column);

// Work planes of the layer builder (16-bit alpha lanes, see glow_kernels.h),
// kept with the layers so that a frame allocates nothing.
struct GlowWork {
  std::vector<uint16_t> reduced;   // the reduced alpha, one plane row per reduced row
  std::vector<uint16_t> rows;      // transposed, while its rows are blurred
  std::vector<uint16_t> columns;   // transposed back, while its columns are blurred
  std::vector<uint16_t> state;     // the filter state of every lane
  int reducedWidth = -1, reducedHeight = -1;
};

// The three layers of one glow overlay, kept between frames.
struct GlowLayers {
  std::vector<uint8_t> full;       // width x height
  std::vector<uint8_t> nearHalo;   // reducedWidth x reducedHeight
  std::vector<uint8_t> wideHalo;
  int width = 0, height = 0, reducedWidth = 0, reducedHeight = 0;
  GlowWork work;
};

struct GlowColour {
  uint8_t red, green, blue;
};

// Rebuilds all three layers: a pixel of the full layer is the colour with alpha
// 255 where the mask pixel (a 32-bit little-endian word) has any bit of
// `maskBit` set, alpha 0 elsewhere; both halos blur the same reduced layer.
void buildGlowLayers(GlowLayers& layers, const uint8_t* mask, int width, int height,
                     uint32_t maskBit, GlowColour colour, const GlowSettings& settings);
