// Frame buffers: made empty before the entry point, allocated for the picture
// size, released at process exit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rt/rt_tolerances.h"
#include "rt/vt_state.h"

namespace {

constexpr int32_t kBytesPerPixel[kVtFrameBuffers] = {12, 4, 4, 4, 4};

void release_buffer(FrameBuffer* buffer) {
  if (buffer->block == nullptr) return;
  std::free(buffer->block);
  buffer->block = nullptr;
  buffer->start = nullptr;
}

void allocate_buffer(FrameBuffer* buffer, int32_t width, int32_t height, int32_t bytes_per_pixel) {
  release_buffer(buffer);
  // Sizes are formed in 64 bits; a size that does not fit counts as a block
  // that cannot be obtained.
  uint64_t bytes = 0;
  bool fits = !__builtin_mul_overflow(static_cast<uint64_t>(width), static_cast<uint64_t>(height), &bytes) &&
              !__builtin_mul_overflow(bytes, static_cast<uint64_t>(bytes_per_pixel), &bytes) &&
              bytes <= PTRDIFF_MAX - rt::kVectorAlignment;
  void* block = fits ? std::malloc(bytes + rt::kVectorAlignment) : nullptr;
  if (block == nullptr) {
    std::printf("ERROR: Could not allocate aligned memory!\n");
  } else {
    auto address = reinterpret_cast<uintptr_t>(block);
    address = (address + rt::kVectorAlignment - 1) & ~uintptr_t{rt::kVectorAlignment - 1};
    buffer->start = reinterpret_cast<void*>(address);
    std::memset(buffer->start, 0, bytes);
  }
  buffer->block = block;
  buffer->width = width;
  buffer->height = height;
}

void release_set(FrameSet* set) {
  for (int b = kVtFrameBuffers - 1; b >= 0; --b) release_buffer(&set->buffers[b]);
}

void empty_set(FrameSet* set) {
  for (FrameBuffer& buffer : set->buffers) buffer = FrameBuffer{nullptr, nullptr, 0, 0};
}

void release_lists(VtState* state) {
  for (int l = 1; l >= 0; --l) {
    std::free(state->lists[l].elements);
    state->lists[l] = VtList{nullptr, 0, 0};
  }
}

void tear_down() {
  release_lists(&vtState);
  release_set(&vtState.active_set);
  release_set(&vtState.spare_sets[1]);
  release_set(&vtState.spare_sets[0]);
}

void make_empty(VtState* state) {
  empty_set(&state->spare_sets[0]);
  empty_set(&state->spare_sets[1]);
  empty_set(&state->active_set);
  state->lists[0] = VtList{nullptr, 0, 0};
  state->lists[1] = VtList{nullptr, 0, 0};
  state->spare_vector = Vec3{0.0f, 0.0f, 0.0f};
  state->modelview_count = 0;
  state->projection_count = 0;
  state->texture_count = 0;
}

// Runs before the entry point: empty frame sets, release registered for exit.
// It lives in the same file as vtAllocFrameBuffers so that every program that
// allocates frame buffers also links this set-up.
struct StaticSetUp {
  StaticSetUp() {
    make_empty(&vtState);
    std::atexit(tear_down);
  }
} static_set_up;

}  // namespace

void vtAllocFrameBuffers(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) {
    vtLastError = VT_INVALID_VALUE;
    return;
  }
  for (int b = 0; b < kVtFrameBuffers; ++b)
    allocate_buffer(&vtState.active_set.buffers[b], width, height, kBytesPerPixel[b]);
  vtState.picture_width = width;
  vtState.picture_height = height;
}

void vtResetProcessState() {
  tear_down();
  std::memset(static_cast<void*>(&vtState), 0, sizeof vtState);
  make_empty(&vtState);
  vtLastError = -1;
}
