// The ray-tracing state block: defaults, matrix stacks, error codes, camera
// parameters and frame buffers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "rt/vt_state.h"

namespace {

bool is_identity(const Matrix4& m) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (m.m[i][j] != (i == j ? 1.0f : 0.0f)) return false;
  return true;
}

void expect_near(const Vec3& got, const Vec3& want, float tol = 1e-5f) {
  EXPECT_NEAR(got.x, want.x, tol);
  EXPECT_NEAR(got.y, want.y, tol);
  EXPECT_NEAR(got.z, want.z, tol);
}

Vec3 camera(int32_t id) {
  Vec3 v{};
  vtGetCameraVector(&v, id);
  return v;
}

class VtStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vtResetProcessState();
    ::testing::internal::CaptureStdout();
    vtInit();
    init_output_ = ::testing::internal::GetCapturedStdout();
  }
  void TearDown() override { vtResetProcessState(); }
  std::string init_output_;
};

TEST_F(VtStateTest, InitPrintsTheWarningOnceAndKeepsTheErrorWord) {
  EXPECT_EQ(init_output_, "WARNING: Vantor was not compiled with SSE extensions.\n");
  EXPECT_EQ(vtLastError, -1);
}

TEST_F(VtStateTest, InitLeavesOneIdentityEntryPerStackAndTextureMode) {
  EXPECT_EQ(vtState.modelview_count, 1);
  EXPECT_EQ(vtState.projection_count, 1);
  EXPECT_EQ(vtState.texture_count, 1);
  EXPECT_TRUE(is_identity(vtState.modelview_stack[0].matrix));
  EXPECT_TRUE(is_identity(vtState.modelview_stack[0].inverse));
  EXPECT_TRUE(is_identity(vtState.projection_stack[0]));
  EXPECT_TRUE(is_identity(vtState.texture_stack[0]));
  EXPECT_EQ(vtState.matrix_mode, VT_TEXTURE);
  EXPECT_EQ(vtState.matrix_mode, 5890);
}

TEST_F(VtStateTest, InitStoresTheSettingsAndFrameSetDefaults) {
  const VtRenderSettings& s = vtState.settings;
  EXPECT_EQ(s.setting1, 3);
  EXPECT_FLOAT_EQ(s.setting4, 0.01f);
  EXPECT_FLOAT_EQ(s.setting5, 0.1f);
  EXPECT_FLOAT_EQ(s.setting6, 1.0f);
  EXPECT_EQ(s.setting7 + s.setting8 + s.setting9, 3);
  EXPECT_EQ(s.setting11, 4097);
  EXPECT_EQ(s.setting13, -1);
  EXPECT_EQ(vtState.active_set.tail_ints[1], 1);
  EXPECT_EQ(vtState.frame_settings[0], -1);
  EXPECT_EQ(vtState.picture_width, 0);
}

TEST_F(VtStateTest, DefaultCameraIsTheAimedUnitFrame) {
  expect_near(camera(VT_CAMERA_POSITION), {-0.664095f, 1.810505f, 4.61224f});
  expect_near(camera(VT_CAMERA_DIRECTION), {0.398005f, -0.061048f, -0.915350f});
  expect_near(camera(VT_CAMERA_RIGHT), {-0.917060f, 0.0f, -0.398749f});
  expect_near(camera(VT_CAMERA_UP), {0.024343f, 0.998135f, -0.055985f});
}

TEST_F(VtStateTest, LoadIdentityWithUnknownModeChangesNoMatrix) {
  vtState.texture_stack[0].m[1][2] = 7.0f;
  vtState.matrix_mode = 0x1703;
  vtLoadIdentity();
  EXPECT_EQ(vtLastError, VT_INVALID_ENUM);
  EXPECT_EQ(vtLastError, 61441);
  EXPECT_EQ(vtState.texture_stack[0].m[1][2], 7.0f);
}

TEST_F(VtStateTest, LoadIdentityResetsOnlyTheSelectedStack) {
  vtState.projection_stack[0].m[0][1] = 3.0f;
  vtState.modelview_stack[0].inverse.m[2][0] = 4.0f;
  vtState.matrix_mode = VT_MODELVIEW;
  vtLoadIdentity();
  EXPECT_TRUE(is_identity(vtState.modelview_stack[0].inverse));
  EXPECT_EQ(vtState.projection_stack[0].m[0][1], 3.0f);
  EXPECT_EQ(vtLastError, -1);
}

TEST(VtStackTest, AddingAnEntryStopsBelowTheRoom) {
  int32_t count = 62;
  vtStackAddEntry(&count);
  EXPECT_EQ(count, 63);
  vtStackAddEntry(&count);
  EXPECT_EQ(count, 63);
}

TEST(VtStackTest, LoadIdentityBeforeInitWritesNothing) {
  vtResetProcessState();
  vtState.matrix_mode = VT_MODELVIEW;
  vtLoadIdentity();
  EXPECT_EQ(vtLastError, VT_INVALID_VALUE);
  EXPECT_EQ(vtState.modelview_stack[0].matrix.m[0][0], 0.0f);
  vtResetProcessState();
}

class CameraIdTest : public VtStateTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(CameraIdTest, UnknownIdChangesNothing) {
  VtState before;
  std::memcpy(static_cast<void*>(&before), &vtState, sizeof before);
  const Vec3 v{9, 9, 9};
  vtSetCameraVector(&v, GetParam());
  EXPECT_EQ(vtLastError, VT_INVALID_ENUM);
  EXPECT_EQ(std::memcmp(&before, &vtState, sizeof before), 0);
  Vec3 out{1, 2, 3};
  vtLastError = -1;
  EXPECT_EQ(vtGetCameraVector(&out, GetParam()), &out);
  EXPECT_EQ(vtLastError, VT_INVALID_ENUM);
  EXPECT_EQ(out, (Vec3{1, 2, 3}));
}

INSTANTIATE_TEST_SUITE_P(Ids, CameraIdTest, ::testing::Values(4610, 0, 0x1205, -1));

TEST_F(VtStateTest, SetterStoresTheVectorAsGiven) {
  const Vec3 d{0, 0, 2};
  vtSetCameraVector(&d, VT_CAMERA_DIRECTION);
  EXPECT_EQ(camera(VT_CAMERA_DIRECTION), d);
  EXPECT_EQ(vtLastError, -1);
}

void set_frame(const Vec3& d, const Vec3& r, const Vec3& u, const Vec3& p) {
  vtSetCameraVector(&d, VT_CAMERA_DIRECTION);
  vtSetCameraVector(&r, VT_CAMERA_RIGHT);
  vtSetCameraVector(&u, VT_CAMERA_UP);
  vtSetCameraVector(&p, VT_CAMERA_POSITION);
}

TEST_F(VtStateTest, LookAtKeepsLengthsAndTurnsTheFrame) {
  set_frame({0, 0, 2}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0});
  vtLookAt(0, 0, -5);
  expect_near(camera(VT_CAMERA_DIRECTION), {0, 0, -2});
  expect_near(camera(VT_CAMERA_RIGHT), {-1, 0, 0});
  expect_near(camera(VT_CAMERA_UP), {0, 1, 0});
}

TEST_F(VtStateTest, LookAtKeepsAMirroredFrame) {
  set_frame({0, 0, 2}, {-1, 0, 0}, {0, 1, 0}, {0, 0, 0});
  vtLookAt(0, 0, 5);
  expect_near(camera(VT_CAMERA_RIGHT), {-1, 0, 0});
  Vec3 ud;
  vtGetCameraVector(&ud, VT_CAMERA_UP);
  vec3_cross(ud, ud, camera(VT_CAMERA_DIRECTION));
  EXPECT_GT(ud.x, 0.0f);
}

TEST_F(VtStateTest, LookAtKeepsLengthsOverRepeatedAims) {
  set_frame({0, 0, 3}, {0.5f, 0, 0}, {0, 2, 0}, {1, 1, 1});
  for (int i = 0; i < 10; ++i) vtLookAt(static_cast<float>(i) - 4.0f, 0.5f * i, 7.0f - i);
  EXPECT_NEAR(vec3_length(camera(VT_CAMERA_DIRECTION)), 3.0f, 1e-5f);
  EXPECT_NEAR(vec3_length(camera(VT_CAMERA_RIGHT)), 0.5f, 1e-5f);
  EXPECT_NEAR(vec3_length(camera(VT_CAMERA_UP)), 2.0f, 1e-5f);
  EXPECT_NEAR(vec3_dot(camera(VT_CAMERA_DIRECTION), camera(VT_CAMERA_UP)), 0.0f, 1e-5f);
  EXPECT_NEAR(vec3_dot(camera(VT_CAMERA_RIGHT), camera(VT_CAMERA_UP)), 0.0f, 1e-5f);
}

struct DegenerateAim {
  const char* what;
  Vec3 target;
};
class DegenerateAimTest : public VtStateTest, public ::testing::WithParamInterface<DegenerateAim> {};

TEST_P(DegenerateAimTest, LeavesTheCameraAndReportsInvalidValue) {
  set_frame({0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {1, 2, 3});
  VtState before;
  std::memcpy(static_cast<void*>(&before), &vtState, sizeof before);
  const Vec3 t = GetParam().target;
  vtLookAt(t.x, t.y, t.z);
  EXPECT_EQ(vtLastError, VT_INVALID_VALUE) << GetParam().what;
  EXPECT_EQ(std::memcmp(&before, &vtState, sizeof before), 0) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Targets, DegenerateAimTest,
                         ::testing::Values(DegenerateAim{"target at the position", {1, 2, 3}},
                                           DegenerateAim{"aim along up", {1, 7, 3}},
                                           DegenerateAim{"aim along down", {1, -7, 3}}));

TEST_F(VtStateTest, FrameBuffersAreSizedAlignedAndZero) {
  vtAllocFrameBuffers(640, 480);
  EXPECT_EQ(vtState.picture_width, 640);
  EXPECT_EQ(vtState.picture_height, 480);
  const size_t want_bytes[5] = {3686400, 1228800, 1228800, 1228800, 1228800};
  for (int b = 0; b < 5; ++b) {
    const FrameBuffer& fb = vtState.active_set.buffers[b];
    ASSERT_NE(fb.block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(fb.start) % 16, 0u);
    EXPECT_GE(static_cast<char*>(fb.start), static_cast<char*>(fb.block));
    EXPECT_LT(static_cast<char*>(fb.start) - static_cast<char*>(fb.block), 16);
    EXPECT_EQ(fb.width, 640);
    EXPECT_EQ(fb.height, 480);
    const auto* bytes = static_cast<const unsigned char*>(fb.start);
    // The last byte of the pixels is inside the block (ASan checks) and zero.
    EXPECT_EQ(bytes[want_bytes[b] - 1], 0);
    size_t nonzero = 0;
    for (size_t i = 0; i < want_bytes[b]; ++i) nonzero += bytes[i] != 0;
    EXPECT_EQ(nonzero, 0u);
  }
}

TEST_F(VtStateTest, ReallocationReplacesEveryBlockWithAZeroedOne) {
  vtAllocFrameBuffers(64, 32);
  std::memset(vtState.active_set.buffers[1].start, 0xab, 64 * 32 * 4);
  vtAllocFrameBuffers(16, 8);
  for (const FrameBuffer& fb : vtState.active_set.buffers) {
    EXPECT_EQ(fb.width, 16);
    EXPECT_EQ(fb.height, 8);
  }
  const auto* bytes = static_cast<const unsigned char*>(vtState.active_set.buffers[1].start);
  for (int i = 0; i < 16 * 8 * 4; ++i) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(vtState.picture_width, 16);
  // The sanitizer build's leak check confirms the first blocks were released.
}

struct BadSize {
  int32_t width, height;
};
class BadFrameSizeTest : public VtStateTest, public ::testing::WithParamInterface<BadSize> {};

TEST_P(BadFrameSizeTest, NonPositiveSizeIsRefused) {
  vtAllocFrameBuffers(GetParam().width, GetParam().height);
  EXPECT_EQ(vtLastError, VT_INVALID_VALUE);
  EXPECT_EQ(vtLastError, 61442);
  EXPECT_EQ(vtState.picture_width, 0);
  EXPECT_EQ(vtState.picture_height, 0);
  EXPECT_EQ(vtState.active_set.buffers[0].block, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BadFrameSizeTest,
                         ::testing::Values(BadSize{0, 480}, BadSize{640, 0}, BadSize{-1, 10},
                                           BadSize{10, INT32_MIN}));

TEST_F(VtStateTest, SizeBeyondAddressableMemoryReportsAndKeepsTheSize) {
  ::testing::internal::CaptureStdout();
  vtAllocFrameBuffers(INT32_MAX, INT32_MAX);
  const std::string out = ::testing::internal::GetCapturedStdout();
  std::string want;
  for (int i = 0; i < 5; ++i) want += "ERROR: Could not allocate aligned memory!\n";
  EXPECT_EQ(out, want);
  for (const FrameBuffer& fb : vtState.active_set.buffers) {
    EXPECT_EQ(fb.block, nullptr);
    EXPECT_EQ(fb.start, nullptr);
    EXPECT_EQ(fb.width, INT32_MAX);
  }
  EXPECT_EQ(vtState.picture_width, INT32_MAX);
  EXPECT_EQ(vtLastError, -1);
}

}  // namespace
