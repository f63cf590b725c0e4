// The CPU part of one frame's glow work (both overlays of the demo mask,
// 640 x 480) for each build's settings, next to a plain copy of the same
// bytes: the memory-bandwidth floor of building two full layers.
#include "app/glow.h"
#include "tools/demo_scene.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kRedGlowBit = 0x8000, kGreenGlowBit = 0x80;

const std::vector<uint8_t>& demoMask() {
  static const std::vector<uint8_t> mask = [] {
    demo_scene::Picture image, m;
    demo_scene::draw(image, m);
    std::vector<uint8_t> bytes(m.pixels.size() * 4);
    memcpy(bytes.data(), m.pixels.data(), bytes.size());
    return bytes;
  }();
  return mask;
}

void glowFrame(benchmark::State& state) {
  const GlowSettings& settings = glowSettingsFor(int(state.range(0)));
  const auto& mask = demoMask();
  GlowLayers red, green;
  for (auto _ : state) {
    buildGlowLayers(red, mask.data(), demo_scene::kWidth, demo_scene::kHeight, kRedGlowBit,
                    {240, 42, 42}, settings);
    buildGlowLayers(green, mask.data(), demo_scene::kWidth, demo_scene::kHeight, kGreenGlowBit,
                    {20, 242, 22}, settings);
    benchmark::DoNotOptimize(red.wideHalo.data());
    benchmark::DoNotOptimize(green.wideHalo.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations() * mask.size() * 2));
}
BENCHMARK(glowFrame)->Arg(8)->Arg(4);

void plainCopy(benchmark::State& state) {
  const auto& mask = demoMask();
  std::vector<uint8_t> red(mask.size()), green(mask.size());
  for (auto _ : state) {
    memcpy(red.data(), mask.data(), mask.size());
    memcpy(green.data(), mask.data(), mask.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations() * mask.size() * 2));
}
BENCHMARK(plainCopy);

}  // namespace

BENCHMARK_MAIN();
