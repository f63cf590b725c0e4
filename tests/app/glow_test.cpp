// Glow layers: pow2Above, the fixed-point blur, the box reduction against a
// brute-force block average, and the layers built from mask bits.
#include "app/glow.h"
#include "tests/app/glow_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(Glow, Pow2AboveIsStrictlyGreaterPowerOfTwo) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 2}, {1, 2}, {2, 4}, {3, 4}, {511, 512},
                                               {512, 1024}, {640, 1024}, {1024, 2048},
                                               {16383, 16384}, {32767, 32768}};
  for (auto [n, expected] : cases) EXPECT_EQ(pow2Above(n), expected) << n;
}

TEST(Glow, CoefficientsFollowTheirRadius) {
  for (const GlowSettings& s : kGlowSettingsTable) {
    for (auto [radius, k] : {std::pair{s.nearRadius, s.nearK}, {s.wideRadius, s.wideK}}) {
      const double expected = (1.0 - std::exp(-double(2.3f) / radius)) * 65536.0;
      EXPECT_EQ(k, int32_t(expected)) << "radius " << radius;
    }
  }
  EXPECT_EQ(glowSettingsFor(8).supersample, 8);
  EXPECT_EQ(glowSettingsFor(4).supersample, 4);
  EXPECT_EQ(glowSettingsFor(4).heightMultiple, 4);
  EXPECT_EQ(glowSettingsFor(8).heightMultiple, 1);
}

// One row of 21 pixels, one channel carrying a single peak.
TEST(Glow, BlurRowSpreadsAPeak) {
  Bytes row(21 * 4, 0);
  row[10 * 4 + 1] = 255;  // green channel
  blurRow(24164, row.data(), 21, 0);
  const int expected[21] = {0, 0, 1, 2, 3, 5, 9, 14, 22, 36, 57, 35, 22, 13, 8, 5, 3, 1, 1, 0, 0};
  for (int x = 0; x < 21; ++x) {
    EXPECT_EQ(row[x * 4 + 1], expected[x]) << "x=" << x;
    EXPECT_EQ(row[x * 4 + 0], 0);
  }
}

TEST(Glow, BlurColumnMatchesBlurRowOnTheTransposedLayer) {
  std::mt19937 rng(5);
  const int w = 3, h = 17;
  Bytes layer(w * h * 4), column(h * 4);
  for (auto& b : layer) b = uint8_t(rng());
  for (int y = 0; y < h; ++y)
    for (int c = 0; c < 4; ++c) column[y * 4 + c] = layer[(y * w + 1) * 4 + c];
  blurColumn(10627, layer.data(), w, h, 1);
  blurRow(10627, column.data(), h, 0);
  for (int y = 0; y < h; ++y)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(layer[(y * w + 1) * 4 + c], column[y * 4 + c]);
}

TEST(Glow, UniformLayerIsUnchangedByEveryCoefficient) {
  for (const GlowSettings& s : kGlowSettingsTable)
    for (int32_t k : {s.nearK, s.wideK}) {
      Bytes layer(9 * 5 * 4);
      for (size_t i = 0; i < layer.size(); ++i) layer[i] = uint8_t(37 + 50 * (i % 4));
      const Bytes before = layer;
      for (int row = 0; row < 5; ++row) blurRow(k, layer.data(), 9, row);
      for (int col = 0; col < 9; ++col) blurColumn(k, layer.data(), 9, 5, col);
      EXPECT_EQ(layer, before) << "k=" << k;
    }
}

Bytes referenceReduce(const Bytes& p, int w, int h, int s) {
  return glow_reference::reduce(p, w, h, s);
}

struct ReduceCase {
  int factor, width, height;
};

class BoxDownsample : public ::testing::TestWithParam<ReduceCase> {};

TEST_P(BoxDownsample, GivesBlockAveragesForAnySize) {
  const auto [s, w, h] = GetParam();
  std::mt19937 rng(unsigned(w * 131 + h));
  Bytes p(size_t(w) * h * 4);
  for (auto& b : p) b = uint8_t(rng());
  Bytes reduced(size_t(w / s) * (h / s) * 4 + 1, 0xEE);
  boxDownsample(p.data(), w, h, s, reduced.data());
  EXPECT_EQ(Bytes(reduced.begin(), reduced.end() - 1), referenceReduce(p, w, h, s));
  EXPECT_EQ(reduced.back(), 0xEE);  // nothing written past the reduced layer
}

INSTANTIATE_TEST_SUITE_P(Sizes, BoxDownsample,
                         ::testing::Values(ReduceCase{8, 16, 16}, ReduceCase{8, 17, 80},
                                           ReduceCase{8, 17, 100}, ReduceCase{8, 640, 480},
                                           ReduceCase{8, 23, 9}, ReduceCase{8, 7, 40},
                                           ReduceCase{4, 9, 24}, ReduceCase{4, 9, 30},
                                           ReduceCase{4, 160, 121}, ReduceCase{4, 3, 3}));

TEST(Glow, BoxDownsampleAveragesAFlatBlock) {
  Bytes p(8 * 8 * 4);
  for (size_t i = 0; i < p.size(); i += 4) p[i] = uint8_t(i / 4 % 2 ? 255 : 0);  // red 0/255 stripes
  Bytes reduced(4);
  boxDownsample(p.data(), 8, 8, 8, reduced.data());
  EXPECT_EQ(reduced, (Bytes{127, 0, 0, 0}));
}

Bytes maskOf(int w, int h, uint32_t word, int x0, int y0, int x1, int y1) {
  Bytes m(size_t(w) * h * 4, 0);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      for (int c = 0; c < 4; ++c) m[(size_t(y) * w + x) * 4 + c] = uint8_t(word >> (8 * c));
  return m;
}

TEST(Glow, FullLayerMarksPixelsWithTheMaskBit) {
  const int w = 32, h = 24;
  const Bytes mask = maskOf(w, h, 0x8000, 8, 8, 16, 16);  // green byte's top bit
  GlowLayers layers;
  buildGlowLayers(layers, mask.data(), w, h, 0x8000, {240, 42, 42}, glowSettingsFor(8));
  auto at = [&](int x, int y) { return &layers.full[(size_t(y) * w + x) * 4]; };
  EXPECT_EQ(Bytes(at(8, 8), at(8, 8) + 4), (Bytes{240, 42, 42, 255}));
  EXPECT_EQ(Bytes(at(7, 8), at(7, 8) + 4), (Bytes{240, 42, 42, 0}));
  GlowLayers other;
  buildGlowLayers(other, mask.data(), w, h, 0x80, {20, 242, 22}, glowSettingsFor(8));
  for (size_t i = 3; i < other.full.size(); i += 4) ASSERT_EQ(other.full[i], 0);
}

TEST(Glow, HalosSpreadTheReducedLayerOnlyWithinTheRoundedSize) {
  const int w = 37, h = 27;  // 4 x 3 reduced pixels, with columns and rows left over
  const Bytes mask = maskOf(w, h, 0x80, 8, 8, 16, 16);
  GlowLayers layers;
  buildGlowLayers(layers, mask.data(), w, h, 0x80, {20, 242, 22}, glowSettingsFor(8));
  EXPECT_EQ(layers.reducedWidth, 4);
  EXPECT_EQ(layers.reducedHeight, 3);
  ASSERT_EQ(layers.nearHalo.size(), 4u * 3 * 4);
  const auto alpha = [](const Bytes& l, int x, int y) { return l[(y * 4 + x) * 4 + 3]; };
  EXPECT_GT(alpha(layers.nearHalo, 1, 1), alpha(layers.nearHalo, 3, 1));
  EXPECT_GT(alpha(layers.wideHalo, 3, 1), 0);  // the wide halo reaches further
  EXPECT_EQ(layers.nearHalo[0], 20);  // colour channels are uniform and stay so
}

TEST(Glow, PictureSmallerThanTheFactorHasEmptyHalos) {
  const Bytes mask = maskOf(7, 3, 0x80, 0, 0, 7, 3);
  GlowLayers layers;
  buildGlowLayers(layers, mask.data(), 7, 3, 0x80, {1, 2, 3}, glowSettingsFor(4));
  EXPECT_EQ(layers.full.size(), 7u * 3 * 4);
  EXPECT_EQ(layers.nearHalo.size(), 0u);
  EXPECT_EQ(layers.wideHalo.size(), 0u);
}

}  // namespace

namespace {

// The halos equal the reduction followed by blurRow on every row and
// blurColumn on every column, whatever order the layer builder works in.
TEST(Glow, HalosEqualReductionThenRowAndColumnBlur) {
  for (const GlowSettings& s : kGlowSettingsTable) {
    const int w = 70, h = 45;
    std::mt19937 rng(unsigned(s.supersample));
    Bytes mask(size_t(w) * h * 4);
    for (auto& b : mask) b = uint8_t(rng() & 0x80);
    GlowLayers layers;
    buildGlowLayers(layers, mask.data(), w, h, 0x80, {20, 242, 22}, s);
    const int rw = w / s.supersample, rh = h / s.supersample;
    Bytes reduced(size_t(rw) * rh * 4);
    boxDownsample(layers.full.data(), w, h, s.supersample, reduced.data());
    for (int32_t k : {s.nearK, s.wideK}) {
      Bytes expected = reduced;
      for (int row = 0; row < rh; ++row) blurRow(k, expected.data(), rw, row);
      for (int col = 0; col < rw; ++col) blurColumn(k, expected.data(), rw, rh, col);
      EXPECT_EQ(k == s.nearK ? layers.nearHalo : layers.wideHalo, expected) << "k=" << k;
    }
  }
}

}  // namespace
