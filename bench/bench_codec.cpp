// The block codec against liblz4 and zlib level 1 on the same bytes: the demo
// picture and a photo-like noisy picture, 640 x 480 x 4 bytes each.
// Reports MB/s (bytes_per_second) and the compressed size in percent ("ratio").
#include "app/lz_codec.h"
#include "tools/demo_scene.h"

#include <benchmark/benchmark.h>
#include <lz4.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes demoPicture() {
  demo_scene::Picture image, mask;
  demo_scene::draw(image, mask);
  Bytes out(image.pixels.size() * 4);
  memcpy(out.data(), image.pixels.data(), out.size());
  return out;
}

// Smooth colour fields with sensor-like noise: little is repeated exactly.
Bytes noisyPicture() {
  std::mt19937 rng(42);
  std::normal_distribution<float> noise(0.0f, 3.0f);
  Bytes out(size_t(demo_scene::kWidth) * demo_scene::kHeight * 4);
  for (int y = 0; y < demo_scene::kHeight; ++y)
    for (int x = 0; x < demo_scene::kWidth; ++x) {
      uint8_t* p = &out[(size_t(y) * demo_scene::kWidth + x) * 4];
      const float base[3] = {120 + 80 * std::sin(x * 0.013f), 100 + 60 * std::cos(y * 0.021f),
                             90 + 40 * std::sin((x + y) * 0.007f)};
      for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::clamp(base[c] + noise(rng), 0.0f, 255.0f));
      p[3] = 255;
    }
  return out;
}

const Bytes& picture(int which) {
  static const Bytes demo = demoPicture(), noisy = noisyPicture();
  return which == 0 ? demo : noisy;
}

// One codec as the benchmarks see it: bound, compress, decompress.
struct Codec {
  size_t (*bound)(size_t n);
  size_t (*compress)(uint8_t* dst, size_t room, const uint8_t* src, size_t n);
  bool (*decompress)(const uint8_t* src, size_t size, uint8_t* dst, size_t n);
};

const Codec kOurs = {
    [](size_t n) { return lzCompressBound(n); },
    [](uint8_t* dst, size_t, const uint8_t* src, size_t n) -> size_t {
      return lzCompress(dst, src, uint32_t(n));
    },
    [](const uint8_t* src, size_t size, uint8_t* dst, size_t n) {
      return lzDecompress(src, uint32_t(size), dst, n) == int32_t(n);
    }};

const Codec kLz4 = {
    [](size_t n) { return size_t(LZ4_compressBound(int(n))); },
    [](uint8_t* dst, size_t room, const uint8_t* src, size_t n) -> size_t {
      return size_t(LZ4_compress_default(reinterpret_cast<const char*>(src),
                                         reinterpret_cast<char*>(dst), int(n), int(room)));
    },
    [](const uint8_t* src, size_t size, uint8_t* dst, size_t n) {
      return LZ4_decompress_safe(reinterpret_cast<const char*>(src), reinterpret_cast<char*>(dst),
                                 int(size), int(n)) == int(n);
    }};

const Codec kZlib1 = {
    [](size_t n) { return size_t(compressBound(uLong(n))); },
    [](uint8_t* dst, size_t room, const uint8_t* src, size_t n) -> size_t {
      uLongf size = uLongf(room);
      return compress2(dst, &size, src, uLong(n), 1) == Z_OK ? size_t(size) : 0;
    },
    [](const uint8_t* src, size_t size, uint8_t* dst, size_t n) {
      uLongf out = uLongf(n);
      return uncompress(dst, &out, src, uLong(size)) == Z_OK && out == n;
    }};

void compressBench(benchmark::State& state, const Codec& codec) {
  const Bytes& in = picture(int(state.range(0)));
  Bytes out(codec.bound(in.size()));
  size_t size = 0;
  for (auto _ : state) {
    size = codec.compress(out.data(), out.size(), in.data(), in.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations() * in.size()));
  state.counters["ratio"] = 100.0 * double(size) / double(in.size());
}

void decompressBench(benchmark::State& state, const Codec& codec) {
  const Bytes& in = picture(int(state.range(0)));
  Bytes block(codec.bound(in.size()));
  block.resize(codec.compress(block.data(), block.size(), in.data(), in.size()));
  Bytes back(in.size());
  for (auto _ : state) {
    if (!codec.decompress(block.data(), block.size(), back.data(), back.size()))
      state.SkipWithError("round trip failed");
    benchmark::DoNotOptimize(back.data());
  }
  if (back != in) state.SkipWithError("decoded bytes differ");
  state.SetBytesProcessed(int64_t(state.iterations() * in.size()));
  state.counters["ratio"] = 100.0 * double(block.size()) / double(in.size());
}

// Argument 0: the demo picture; 1: the noisy picture.
BENCHMARK_CAPTURE(compressBench, lumra, kOurs)->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(compressBench, lz4, kLz4)->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(compressBench, zlib1, kZlib1)->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(decompressBench, lumra, kOurs)->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(decompressBench, lz4, kLz4)->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(decompressBench, zlib1, kZlib1)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
