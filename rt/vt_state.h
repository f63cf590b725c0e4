// The ray-tracing state API: one process-wide state block in the manner of an
// immediate-mode graphics API, and the error word of the last failed call.
//
// A failing call stores its code in vtLastError and changes nothing else; a
// successful call leaves vtLastError as it was.
#pragma once

#include <cstdint>

#include "rt/matrix.h"
#include "rt/vec3.h"

inline constexpr int32_t VT_MODELVIEW = 0x1700;
inline constexpr int32_t VT_PROJECTION = 0x1701;
inline constexpr int32_t VT_TEXTURE = 0x1702;
inline constexpr int32_t VT_INVALID_ENUM = 0xF001;
inline constexpr int32_t VT_INVALID_VALUE = 0xF002;

inline constexpr int32_t VT_CAMERA_POSITION = 0x1200;
inline constexpr int32_t VT_CAMERA_DIRECTION = 0x1201;
inline constexpr int32_t VT_CAMERA_RIGHT = 0x1203;
inline constexpr int32_t VT_CAMERA_UP = 0x1204;

inline constexpr int32_t kVtStackRoom = 64;
inline constexpr int kVtFrameBuffers = 5;

// One per-pixel buffer: block is what the allocator gave (released through
// it), start the first 16-byte boundary inside it where the pixels begin.
struct FrameBuffer {
  void* block;
  void* start;
  int32_t width;
  int32_t height;
};

// Buffer 0 holds 12 bytes per pixel, buffers 1 to 4 hold 4.
struct FrameSet {
  FrameBuffer buffers[kVtFrameBuffers];
  int32_t tail_ints[2];    // 0, 1 after a reset
  float tail_floats[4];    // 0.0 after a reset
};

// A list the state owns and releases at exit; never filled in this system.
struct VtList {
  void* elements;
  int32_t count;
  int32_t room;
};

// Rendering settings: stored with their defaults by vtInit, read by nothing
// in this system.
struct VtRenderSettings {
  int32_t setting1;   // 3
  uint32_t setting2;  // 0
  uint32_t setting3;  // 0
  float setting4;     // 0.01
  float setting5;     // 0.1
  float setting6;     // 1.0
  int32_t setting7;   // 1
  int32_t setting8;   // 1
  int32_t setting9;   // 1
  uint32_t setting10; // 0
  int32_t setting11;  // 0x1001
  uint32_t setting12; // 0
  int32_t setting13;  // -1
};

// The state block. A plain record so that it is zero when the process starts.
struct VtState {
  int32_t picture_width;
  int32_t picture_height;
  FrameSet spare_sets[2];
  FrameSet active_set;
  int32_t frame_settings[2];  // -1, 0 after a reset; not read in this system
  VtList lists[2];
  Vec3 spare_vector;
  Vec3 camera_direction;
  Vec3 camera_right;
  Vec3 camera_up;
  Vec3 camera_position;
  VtRenderSettings settings;
  int32_t viewport[4];  // x, y, width, height
  int32_t matrix_mode;
  Transform modelview_stack[kVtStackRoom];
  int32_t modelview_count;
  Matrix4 projection_stack[kVtStackRoom];
  int32_t projection_count;
  Matrix4 texture_stack[kVtStackRoom];
  int32_t texture_count;
};

extern VtState vtState;
extern int32_t vtLastError;  // -1 at program start

// Prints the start-up warning, resets the block and sets the defaults. Call
// once, before vtAllocFrameBuffers (it zeroes the frame-set records).
void vtInit();
void vtResetState(VtState* state);
void vtLoadIdentity();

// Adds one entry to a matrix stack unless the count would reach the stack's
// room (so at most 63 of the 64 entries are ever in use).
void vtStackAddEntry(int32_t* count);

// Camera parameters (ids VT_CAMERA_*). An unknown id sets VT_INVALID_ENUM and
// changes nothing.
Vec3* vtGetCameraVector(Vec3* out, int32_t id);
void vtSetCameraVector(const Vec3* vector, int32_t id);
// Re-aims direction, right and up at a target, keeping their lengths and the
// frame's handedness. A target at the position, or aimed along up, leaves the
// camera as it was and sets VT_INVALID_VALUE.
void vtLookAt(float x, float y, float z);

// Allocates the active frame set for a picture size (contents zero).
void vtAllocFrameBuffers(int32_t width, int32_t height);

// Releases every frame buffer and list and returns the block and the error
// word to their condition at program start, so each test starts fresh.
void vtResetProcessState();
