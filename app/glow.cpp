// Glow layers: mask selection, box reduction and the fixed-point blur.
//
// The layer builder never forms the reduced RGBA layer: the colour channels
// of the full layer are uniform, so their block averages and blurred values
// are the colour itself, and only alpha is reduced and blurred, in planes of
// 16-bit lanes. The filter runs down a plane's rows with every lane on its
// own: the row blur on the transposed reduced alpha (every reduced row in its
// own lane), the column blur after transposing back.
#include "app/glow.h"

#include "app/glow_kernels.h"

#include <algorithm>

using namespace glow;

namespace {

// One step of the recursive filter. The product is taken as a 32-bit signed
// value; coefficients outside 0..65535 compute it wide first, so none can overflow.
inline int32_t blurStep(int32_t state, uint8_t input, int32_t k) {
  const int32_t delta = (int32_t(input) << kFractionBits) - state;
  if (k >= 0 && k <= kMaxLaneK) return state + ((delta * k) >> kCoefficientBits);
  return state + (int32_t(int64_t(delta) * k) >> kCoefficientBits);
}

// The filter along `count` pixels `stride` bytes apart: forward from the second
// pixel, then backward from the second-to-last, continuing the same state.
void blurLine(int32_t k, uint8_t* p, int count, int stride) {
  if (count < 1) return;
  int32_t state[kChannels];
  for (int c = 0; c < kChannels; ++c) state[c] = int32_t(p[c]) << kFractionBits;
  auto update = [&](uint8_t* q) {
    for (int c = 0; c < kChannels; ++c) {
      state[c] = blurStep(state[c], q[c], k);
      q[c] = uint8_t(state[c] >> kFractionBits);
    }
  };
  for (int x = 1; x < count; ++x) update(p + size_t(x) * stride);
  for (int x = count - 2; x >= 0; --x) update(p + size_t(x) * stride);
}

// Plane sizes: the reduced and the column plane hold one reduced row per plane
// row (columnStride lanes each), the row plane one reduced column per plane row.
struct PlaneShape {
  int width, height;     // the reduced layer
  int rowStride;         // height rounded up: lanes of a row-plane row
  int columnStride;      // width rounded up: lanes of a reduced- or column-plane row
  size_t size() const { return size_t(rowStride) * columnStride; }
};

PlaneShape shapeOf(int reducedWidth, int reducedHeight) {
  return {reducedWidth, reducedHeight, roundUp(reducedHeight, kPlaneAlign),
          roundUp(reducedWidth, kPlaneAlign)};
}

// Gives the work planes their size. Lanes past the reduced layer are carried
// through the blur and the transposes but never read; they start at zero.
void prepareWork(GlowWork& work, const PlaneShape& shape) {
  if (work.reducedWidth == shape.width && work.reducedHeight == shape.height) return;
  for (auto* plane : {&work.reduced, &work.rows, &work.columns}) plane->assign(shape.size(), 0);
  work.state.assign(size_t(std::max(shape.rowStride, shape.columnStride)), 0);
  work.reducedWidth = shape.width;
  work.reducedHeight = shape.height;
}

// The full layer and the box reduction of its alpha in one pass over the mask.
// A block row's sums of row averages gather in its plane row.
void fillAndReduce(const GlowKernels& kernels, uint8_t* full, GlowWork& work,
                   const PlaneShape& shape, const uint8_t* mask, int width, int height,
                   int factor, uint32_t maskBit, uint32_t clear) {
  const int shift = log2Of(factor);
  const size_t rowBytes = size_t(width) * kChannels;
  for (int y = 0; y < height; ++y) {
    const int block = y >> shift;
    const int groups = block < shape.height ? shape.width : 0;
    uint16_t* sums = work.reduced.data() + size_t(block < shape.height ? block : 0) *
                                               shape.columnStride;
    if (groups > 0 && (y & (factor - 1)) == 0) std::fill_n(sums, groups, 0);
    kernels.fillRow(full + y * rowBytes, mask + y * rowBytes, width, maskBit, clear, factor,
                    groups, sums);
    if (groups == 0 || ((y + 1) & (factor - 1)) != 0) continue;
    // Whole strides in fixed-width chunks, which the compiler turns into vector code.
    for (int g = 0; g < shape.columnStride; g += kPlaneAlign)
      for (int i = 0; i < kPlaneAlign; ++i) sums[g + i] = uint16_t(sums[g + i] >> shift);
  }
}

// The filter down every lane of the first `rows` rows of a plane.
void blurPlane(const GlowKernels& kernels, uint16_t k, uint16_t* plane, int stride, int rows,
               uint16_t* state) {
  for (int x = 0; x < stride; ++x) state[x] = uint16_t(plane[x] << kFractionBits);
  for (int y = 1; y < rows; ++y) kernels.blurLanes(k, state, plane + size_t(y) * stride, stride);
  for (int y = rows - 2; y >= 0; --y)
    kernels.blurLanes(k, state, plane + size_t(y) * stride, stride);
}

// Reduced rows from a plane of reduced rows into a halo layer.
void expandPlane(const GlowKernels& kernels, uint8_t* halo, const uint16_t* columns,
                 const PlaneShape& shape, uint32_t clear) {
  for (int r = 0; r < shape.height; ++r)
    kernels.expandAlpha(halo + size_t(r) * shape.width * kChannels,
                        columns + size_t(r) * shape.columnStride, shape.width, clear);
}

// One halo from the reduced plane.
void blurHalo(const GlowKernels& kernels, int32_t k, uint8_t* halo, GlowWork& work,
              const PlaneShape& shape, uint32_t clear) {
  if (k < 0 || k > kMaxLaneK) {  // beyond the 16-bit lanes: the per-pixel filter
    expandPlane(kernels, halo, work.reduced.data(), shape, clear);
    for (int r = 0; r < shape.height; ++r) blurRow(k, halo, shape.width, r);
    for (int c = 0; c < shape.width; ++c) blurColumn(k, halo, shape.width, shape.height, c);
    return;
  }
  uint16_t* rows = work.rows.data();
  kernels.transpose(work.reduced.data(), shape.columnStride, rows, shape.rowStride,
                    shape.rowStride, shape.columnStride);
  blurPlane(kernels, uint16_t(k), rows, shape.rowStride, shape.width, work.state.data());
  kernels.transpose(rows, shape.rowStride, work.columns.data(), shape.columnStride,
                    shape.columnStride, shape.rowStride);
  blurPlane(kernels, uint16_t(k), work.columns.data(), shape.columnStride, shape.height,
            work.state.data());
  expandPlane(kernels, halo, work.columns.data(), shape, clear);
}

}  // namespace

int32_t pow2Above(int32_t n) {
  int halvings = 0;
  for (int32_t v = n >> 1; v != 0; v >>= 1) ++halvings;
  return int32_t(1) << (halvings + 1);
}

void boxDownsample(const uint8_t* pixels, int width, int height, int factor, uint8_t* reduced) {
  const int shift = log2Of(factor);
  const int groups = width / factor;
  for (int r = 0; r < height / factor; ++r)
    for (int g = 0; g < groups; ++g)
      for (int c = 0; c < kChannels; ++c) {
        uint32_t sum = 0;
        for (int y = r * factor; y < (r + 1) * factor; ++y) {
          const uint8_t* p = pixels + (size_t(y) * width + size_t(g) * factor) * kChannels + c;
          uint32_t rowSum = 0;
          for (int i = 0; i < factor; ++i) rowSum += p[i * kChannels];
          sum += rowSum >> shift;
        }
        reduced[(size_t(r) * groups + g) * kChannels + c] = uint8_t(sum >> shift);
      }
}

void blurRow(int32_t k, uint8_t* pixels, int width, int row) {
  blurLine(k, pixels + size_t(row) * width * kChannels, width, kChannels);
}

void blurColumn(int32_t k, uint8_t* pixels, int width, int height, int column) {
  blurLine(k, pixels + size_t(column) * kChannels, height, width * kChannels);
}

void glow::buildLayersWith(const GlowKernels& kernels, GlowLayers& layers, const uint8_t* mask,
                           int width, int height, uint32_t maskBit, GlowColour colour,
                           const GlowSettings& settings) {
  const int s = settings.supersample;
  layers.width = width;
  layers.height = height;
  layers.reducedWidth = width / s;
  layers.reducedHeight = height / s;
  const PlaneShape shape = shapeOf(layers.reducedWidth, layers.reducedHeight);
  const size_t reducedBytes = size_t(shape.width) * shape.height * kChannels;
  layers.full.resize(size_t(width) * height * kChannels);
  layers.nearHalo.resize(reducedBytes);
  layers.wideHalo.resize(reducedBytes);
  const uint32_t clear = uint32_t(colour.red) | uint32_t(colour.green) << 8 |
                         uint32_t(colour.blue) << 16;
  GlowWork& work = layers.work;
  prepareWork(work, shape);
  fillAndReduce(kernels, layers.full.data(), work, shape, mask, width, height, s, maskBit, clear);
  if (reducedBytes == 0) return;
  blurHalo(kernels, settings.nearK, layers.nearHalo.data(), work, shape, clear);
  blurHalo(kernels, settings.wideK, layers.wideHalo.data(), work, shape, clear);
}

void buildGlowLayers(GlowLayers& layers, const uint8_t* mask, int width, int height,
                     uint32_t maskBit, GlowColour colour, const GlowSettings& settings) {
  glow::buildLayersWith(bestKernels(), layers, mask, width, height, maskBit, colour, settings);
}
