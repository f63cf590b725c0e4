// Every kernel set of the glow builder (plain, SSE2, AVX2) against the
// brute-force layers: random masks, sizes that are not multiples of the
// factor, both builds' coefficients, every kind of mask bit, and layers
// reused across sizes. Then each set's inner loops against the plain ones.
#include "app/glow.h"
#include "app/glow_kernels.h"
#include "tests/app/glow_reference.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using glow_reference::Bytes;

enum class KernelSet { Portable, Sse2, Avx2 };

const glow::GlowKernels* kernelsOf(KernelSet set) {
  switch (set) {
    case KernelSet::Portable: return &glow::portableKernels();
    case KernelSet::Sse2: return glow::sse2Kernels();
    case KernelSet::Avx2: return glow::avx2Kernels();
  }
  return nullptr;
}

std::string nameOf(KernelSet set) {
  const char* names[] = {"Portable", "Sse2", "Avx2"};
  return names[int(set)];
}

// Mask words with random bytes; about `percent` of the pixels carry `bits`.
Bytes randomMask(std::mt19937& rng, int w, int h, uint32_t bits, int percent) {
  Bytes mask(size_t(w) * h * 4);
  for (size_t i = 0; i < size_t(w) * h; ++i) {
    uint32_t word = uint32_t(rng()) & ~bits;
    if (int(rng() % 100) < percent) word |= bits & uint32_t(rng() | 1u << (rng() % 32));
    if (int(rng() % 100) < percent && bits != 0) word |= bits;
    for (int c = 0; c < 4; ++c) mask[i * 4 + c] = uint8_t(word >> (8 * c));
  }
  return mask;
}

void expectLayers(const GlowLayers& got, const glow_reference::Layers& expected, int w, int h,
                  int s) {
  EXPECT_EQ(got.width, w);
  EXPECT_EQ(got.height, h);
  EXPECT_EQ(got.reducedWidth, w / s);
  EXPECT_EQ(got.reducedHeight, h / s);
  EXPECT_EQ(got.full, expected.full);
  EXPECT_EQ(got.nearHalo, expected.nearHalo);
  EXPECT_EQ(got.wideHalo, expected.wideHalo);
}

struct Size {
  int width, height;
};

// Smaller than a block, exact blocks, odd reduced widths (a lone group of 4
// after pairs), leftover columns and rows of every count, reduced sizes
// across the 16-lane padding, and the demo picture's size.
const Size kSizes[] = {{1, 1},   {3, 5},    {7, 9},    {8, 8},     {9, 4},   {12, 31},
                       {20, 8},  {23, 13},  {37, 27},  {17, 80},   {70, 45}, {141, 139},
                       {129, 67}, {64, 136}, {255, 9}, {640, 480}};

constexpr uint32_t kMaskBits[] = {0x80, 0x8000, 0x1, 0x80000000, 0x8080, 0xFFFFFFFF, 0};

class GlowKernelSet : public ::testing::TestWithParam<KernelSet> {
 protected:
  void SetUp() override {
    kernels = kernelsOf(GetParam());
    if (kernels == nullptr) GTEST_SKIP() << "this processor does not run " << nameOf(GetParam());
  }
  const glow::GlowKernels* kernels = nullptr;
};

TEST_P(GlowKernelSet, LayersEqualTheBruteForceLayers) {
  std::mt19937 rng(7);
  for (const GlowSettings& settings : kGlowSettingsTable)
    for (const Size& size : kSizes) {
      const uint32_t bit = kMaskBits[rng() % std::size(kMaskBits)];
      const int percent = int(rng() % 101);
      const Bytes mask = randomMask(rng, size.width, size.height, bit, percent);
      const GlowColour colour = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
      GlowLayers layers;
      glow::buildLayersWith(*kernels, layers, mask.data(), size.width, size.height, bit, colour,
                            settings);
      SCOPED_TRACE("factor " + std::to_string(settings.supersample) + ", " +
                   std::to_string(size.width) + " x " + std::to_string(size.height) + ", bit " +
                   std::to_string(bit) + ", " + std::to_string(percent) + "%");
      expectLayers(layers, glow_reference::build(mask, size.width, size.height, bit, colour, settings),
                   size.width, size.height, settings.supersample);
    }
}

TEST_P(GlowKernelSet, EveryMaskBitSelectsItsPixels) {
  const int w = 45, h = 34;
  std::mt19937 rng(11);
  for (uint32_t bit : kMaskBits) {
    const Bytes mask = randomMask(rng, w, h, bit, 40);
    GlowLayers layers;
    glow::buildLayersWith(*kernels, layers, mask.data(), w, h, bit, {9, 99, 199}, glowSettingsFor(4));
    SCOPED_TRACE("bit " + std::to_string(bit));
    expectLayers(layers, glow_reference::build(mask, w, h, bit, {9, 99, 199}, glowSettingsFor(4)),
                 w, h, 4);
  }
}

// One layer set rebuilt for pictures of changing size, as the viewer keeps it
// between frames: nothing of an earlier size may leak into a later one.
TEST_P(GlowKernelSet, ReusedLayersForgetEarlierSizes) {
  const Size sequence[] = {{200, 150}, {37, 27}, {200, 150}, {90, 200}, {90, 200}, {3, 3}, {64, 64}};
  std::mt19937 rng(3);
  for (const GlowSettings& settings : kGlowSettingsTable) {
    GlowLayers layers;
    for (const Size& size : sequence) {
      const Bytes mask = randomMask(rng, size.width, size.height, 0x8000, 30);
      glow::buildLayersWith(*kernels, layers, mask.data(), size.width, size.height, 0x8000,
                            {240, 42, 42}, settings);
      SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
      expectLayers(layers,
                   glow_reference::build(mask, size.width, size.height, 0x8000, {240, 42, 42}, settings),
                   size.width, size.height, settings.supersample);
    }
  }
}

// Coefficients that the 16-bit lanes cannot carry take the per-pixel filter;
// the lane limits themselves stay on the lanes.
TEST_P(GlowKernelSet, CoefficientsAtAndBeyondTheLaneLimits) {
  const int w = 83, h = 61;
  std::mt19937 rng(13);
  const Bytes mask = randomMask(rng, w, h, 0x80, 50);
  const std::pair<int32_t, int32_t> coefficients[] = {
      {0, 65535}, {1, 65534}, {65536, 70000}, {-1, -40000}, {24164, 200000}};
  for (auto [nearK, wideK] : coefficients) {
    const GlowSettings settings = {8, nearK, wideK, 1, 1, 1};
    GlowLayers layers;
    glow::buildLayersWith(*kernels, layers, mask.data(), w, h, 0x80, {20, 242, 22}, settings);
    SCOPED_TRACE("k " + std::to_string(nearK) + ", " + std::to_string(wideK));
    expectLayers(layers, glow_reference::build(mask, w, h, 0x80, {20, 242, 22}, settings), w, h, 8);
  }
}

// The inner loops one by one against the plain ones, on whole padded strides.
TEST_P(GlowKernelSet, BlurStepsEqualThePlainSteps) {
  const glow::GlowKernels& plain = glow::portableKernels();
  std::mt19937 rng(17);
  const int lanes = 3 * glow::kPlaneAlign;
  for (int32_t k : {0, 1, 5760, 10627, 14779, 24164, 32768, 65535}) {
    std::vector<uint16_t> state(lanes), row(lanes);
    for (int x = 0; x < lanes; ++x) {
      state[x] = uint16_t(rng() % (255 * 128 + 1));
      row[x] = uint16_t(rng() % 256);
    }
    state[0] = 0, row[0] = 255, state[1] = 255 * 128, row[1] = 0;  // the largest deltas
    auto expectedState = state, expectedRow = row;
    plain.blurLanes(uint16_t(k), expectedState.data(), expectedRow.data(), lanes);
    kernels->blurLanes(uint16_t(k), state.data(), row.data(), lanes);
    EXPECT_EQ(state, expectedState) << "k=" << k;
    EXPECT_EQ(row, expectedRow) << "k=" << k;
  }
}

TEST_P(GlowKernelSet, TransposeAndExpandEqualThePlainOnes) {
  std::mt19937 rng(19);
  const int rows = 24, cols = 40, fromStride = 48, toStride = 32;
  std::vector<uint16_t> from(size_t(rows) * fromStride);
  for (auto& v : from) v = uint16_t(rng());
  std::vector<uint16_t> expected(size_t(cols) * toStride, 7), got = expected;
  glow::portableKernels().transpose(from.data(), fromStride, expected.data(), toStride, rows, cols);
  kernels->transpose(from.data(), fromStride, got.data(), toStride, rows, cols);
  EXPECT_EQ(got, expected);
  for (int count : {0, 1, 7, 8, 9, 23}) {
    Bytes plainOut(size_t(count) * 4 + 4, 0xEE), out = plainOut;
    glow::portableKernels().expandAlpha(plainOut.data(), from.data(), count, 0x00A0B0C0);
    kernels->expandAlpha(out.data(), from.data(), count, 0x00A0B0C0);
    EXPECT_EQ(out, plainOut) << count;
  }
}

INSTANTIATE_TEST_SUITE_P(Sets, GlowKernelSet,
                         ::testing::Values(KernelSet::Portable, KernelSet::Sse2, KernelSet::Avx2),
                         [](const auto& info) { return nameOf(info.param); });

}  // namespace
