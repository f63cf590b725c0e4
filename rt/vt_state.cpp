// The state block, its reset and the matrix stacks.
#include "rt/vt_state.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

VtState vtState;
int32_t vtLastError = -1;

namespace {

// The camera frame before the default aim, and the default position and aim.
constexpr Vec3 kUnitDirection{0.0f, 0.0f, 1.0f};
constexpr Vec3 kUnitRight{1.0f, 0.0f, 0.0f};
constexpr Vec3 kUnitUp{0.0f, 1.0f, 0.0f};
constexpr Vec3 kDefaultPosition{-0.664095f, 1.810505f, 4.61224f};
constexpr double kDefaultAim[3] = {0.284205, -0.043593, -0.653627};

constexpr VtRenderSettings kDefaultSettings{3, 0, 0, 0.01f, 0.1f, 1.0f, 1, 1, 1, 0, 0x1001, 0, -1};

}  // namespace

void vtLookAtState(VtState* state, float x, float y, float z);  // vt_camera.cpp

void vtResetState(VtState* state) {
  std::memset(static_cast<void*>(state), 0, sizeof *state);
  state->active_set.tail_ints[0] = 0;
  state->active_set.tail_ints[1] = 1;
  state->frame_settings[0] = -1;
  state->frame_settings[1] = 0;
  state->camera_direction = kUnitDirection;
  state->camera_right = kUnitRight;
  state->camera_up = kUnitUp;
  state->camera_position = kDefaultPosition;
  // The aim is formed in double precision and rounded once per component.
  const Vec3& p = state->camera_position;
  vtLookAtState(state, static_cast<float>(p.x + kDefaultAim[0]),
                static_cast<float>(p.y + kDefaultAim[1]), static_cast<float>(p.z + kDefaultAim[2]));
}

void vtStackAddEntry(int32_t* count) {
  if (*count + 1 < kVtStackRoom) *count += 1;
}

void vtInit() {
  std::printf("WARNING: Vantor was not compiled with SSE extensions.\n");
  vtResetState(&vtState);
  vtState.settings = kDefaultSettings;
  vtStackAddEntry(&vtState.modelview_count);
  vtStackAddEntry(&vtState.projection_count);
  vtStackAddEntry(&vtState.texture_count);
  for (int32_t mode : {VT_MODELVIEW, VT_PROJECTION, VT_TEXTURE}) {
    vtState.matrix_mode = mode;
    vtLoadIdentity();
  }
}

void vtLoadIdentity() {
  VtState& s = vtState;
  // Before vtInit the stacks have no top entry to load; refuse rather than
  // write in front of the stack.
  const bool known = s.matrix_mode == VT_MODELVIEW || s.matrix_mode == VT_PROJECTION ||
                     s.matrix_mode == VT_TEXTURE;
  if (known && (s.modelview_count < 1 || s.projection_count < 1 || s.texture_count < 1)) {
    vtLastError = VT_INVALID_VALUE;
    return;
  }
  switch (s.matrix_mode) {
    case VT_MODELVIEW: {
      Transform& top = s.modelview_stack[s.modelview_count - 1];
      matrix_identity(top.matrix);
      matrix_identity(top.inverse);
      return;
    }
    case VT_PROJECTION:
      matrix_identity(s.projection_stack[s.projection_count - 1]);
      return;
    case VT_TEXTURE:
      matrix_identity(s.texture_stack[s.texture_count - 1]);
      return;
    default:
      vtLastError = VT_INVALID_ENUM;
      return;
  }
}
