// The CPU part of one frame's glow work (both overlays of the demo mask,
// 640 x 480) for each build's settings, next to a plain copy of the same
// bytes: the memory-bandwidth floor of building two full layers. The same
// frame with each kernel set shows what the plain and the SSE2 path cost on
// processors without AVX2.
#include "app/glow.h"
#include "app/glow_kernels.h"
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

void runFrames(benchmark::State& state, const glow::GlowKernels& kernels, int factor) {
  const GlowSettings& settings = glowSettingsFor(factor);
  const auto& mask = demoMask();
  GlowLayers red, green;
  for (auto _ : state) {
    glow::buildLayersWith(kernels, red, mask.data(), demo_scene::kWidth, demo_scene::kHeight,
                          kRedGlowBit, {240, 42, 42}, settings);
    glow::buildLayersWith(kernels, green, mask.data(), demo_scene::kWidth, demo_scene::kHeight,
                          kGreenGlowBit, {20, 242, 22}, settings);
    benchmark::DoNotOptimize(red.wideHalo.data());
    benchmark::DoNotOptimize(green.wideHalo.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations() * mask.size() * 2));
  state.SetLabel(kernels.name);
}

// What the viewer runs: the fastest kernel set of this processor.
void glowFrame(benchmark::State& state) {
  runFrames(state, glow::bestKernels(), int(state.range(0)));
}
BENCHMARK(glowFrame)->Arg(8)->Arg(4);

// Argument 0: 0 plain, 1 SSE2, 2 AVX2; argument 1: the factor.
void glowFrameWithKernels(benchmark::State& state) {
  const glow::GlowKernels* sets[] = {&glow::portableKernels(), glow::sse2Kernels(),
                                     glow::avx2Kernels()};
  const glow::GlowKernels* kernels = sets[state.range(0)];
  if (kernels == nullptr) {
    state.SkipWithError("this processor does not run this kernel set");
    return;
  }
  runFrames(state, *kernels, int(state.range(1)));
}
BENCHMARK(glowFrameWithKernels)->ArgsProduct({{0, 1, 2}, {8, 4}});

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
