// Camera controls: fly-key steps, mouse look angles, glow strengths from the
// pointer, and rotations that keep lengths.
#include "app/camera.h"

#include "app/viewer_state.h"
#include "rt/vt_state.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kEps = 1e-4f;

Vec3 get(int32_t id) {
  Vec3 v = {0, 0, 0};
  vtGetCameraVector(&v, id);
  return v;
}

void set(int32_t id, Vec3 v) { vtSetCameraVector(&v, id); }

void expectNear(const Vec3& a, const Vec3& b, float eps = kEps) {
  EXPECT_NEAR(a.x, b.x, eps);
  EXPECT_NEAR(a.y, b.y, eps);
  EXPECT_NEAR(a.z, b.z, eps);
}

class Camera : public ::testing::Test {
 protected:
  void SetUp() override {
    vtResetProcessState();
    ::testing::internal::CaptureStdout();
    vtInit();
    ::testing::internal::GetCapturedStdout();
    resetControls();
    gViewer.windowWidth = 640;
    gViewer.windowHeight = 480;
    set(VT_CAMERA_POSITION, {1, 2, 3});
    set(VT_CAMERA_DIRECTION, {0, 0, 3});  // length 3: movement still uses unit steps
    set(VT_CAMERA_RIGHT, {2, 0, 0});
    set(VT_CAMERA_UP, {0, 1, 0});
  }
};

struct FlyCase {
  const char* name;
  FlyKeys keys;
  Vec3 position;
};

class FlyKeysTest : public Camera, public ::testing::WithParamInterface<FlyCase> {};

TEST_P(FlyKeysTest, MovesOneStepAlongUnitVectors) {
  moveCamera(GetParam().keys);
  expectNear(get(VT_CAMERA_POSITION), GetParam().position);
  expectNear(get(VT_CAMERA_DIRECTION), {0, 0, 3}, 0);  // direction and right are kept as they were
  expectNear(get(VT_CAMERA_RIGHT), {2, 0, 0}, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, FlyKeysTest,
    ::testing::Values(FlyCase{"Forward", {true, false, false, false, false}, {1, 2, 4}},
                      FlyCase{"ForwardFast", {true, false, false, false, true}, {1, 2, 13}},
                      FlyCase{"Back", {false, true, false, false, false}, {1, 2, 2}},
                      FlyCase{"Left", {false, false, true, false, false}, {0, 2, 3}},
                      FlyCase{"RightFast", {false, false, false, true, true}, {11, 2, 3}},
                      FlyCase{"ForwardAndBackCancel", {true, true, false, false, true}, {1, 2, 3}},
                      FlyCase{"Diagonal", {true, false, false, true, false}, {2, 2, 4}},
                      FlyCase{"Nothing", {false, false, false, false, false}, {1, 2, 3}}),
    [](const auto& info) { return info.param.name; });

TEST(Rotation, QuarterTurnAboutYAndLengthKept) {
  Vec3 v = {0, 0, 2};
  rotateAboutAxis({0, 1, 0}, v, float(M_PI / 2));
  expectNear(v, {2, 0, 0});
  Vec3 w = {1, 2, 3};
  rotateAboutAxis({0.3f, -2.0f, 0.5f}, w, 0.7f);  // unnormalised axis
  EXPECT_NEAR(vec3_length(w), std::sqrt(14.0f), kEps);
  Vec3 onAxis = {0, 5, 0};
  rotateAboutAxis({0, 1, 0}, onAxis, 1.0f);
  expectNear(onAxis, {0, 5, 0});
}

TEST(Rotation, QuaternionProductComposesRotations) {
  const Quaternion a(std::cos(0.2f), std::sin(0.2f), 0, 0), b(std::cos(0.3f), 0, 0, std::sin(0.3f));
  const Quaternion c = a * b;
  EXPECT_NEAR(c.w * c.w + c.x * c.x + c.y * c.y + c.z * c.z, 1.0f, kEps);
  const Quaternion identity(1, 0, 0, 0);
  const Quaternion same = identity * b;
  EXPECT_FLOAT_EQ(same.w, b.w);
  EXPECT_FLOAT_EQ(same.z, b.z);
}

TEST_F(Camera, PointerSetsGlowStrengths) {
  applyMouseMove(640, 0, false);
  EXPECT_FLOAT_EQ(gViewer.greenIntensity, 2.0f);
  EXPECT_FLOAT_EQ(gViewer.redIntensity, 0.0f);
  applyMouseMove(160, 480, false);
  EXPECT_FLOAT_EQ(gViewer.greenIntensity, 0.5f);
  EXPECT_FLOAT_EQ(gViewer.redIntensity, 3.0f);
}

TEST_F(Camera, MovingWithoutButtonLeavesCamera) {
  applyMouseMove(100, 100, false);
  applyMouseMove(300, 50, false);
  expectNear(get(VT_CAMERA_DIRECTION), {0, 0, 3}, 0);
  expectNear(get(VT_CAMERA_POSITION), {1, 2, 3}, 0);
}

TEST_F(Camera, DragTwoPixelsRightYawsOneDegree) {
  applyMouseMove(100, 100, false);
  applyMouseMove(102, 100, true);
  const float a = float(M_PI / 180);
  expectNear(get(VT_CAMERA_DIRECTION), {3 * std::sin(a), 0, 3 * std::cos(a)});
  expectNear(get(VT_CAMERA_RIGHT), {2 * std::cos(a), 0, -2 * std::sin(a)});
  expectNear(get(VT_CAMERA_UP), {0, 1, 0});
  expectNear(get(VT_CAMERA_POSITION), {1, 2, 3}, 0);
}

TEST_F(Camera, DragFourPixelsDownPitchesMinusOneDegree) {
  applyMouseMove(100, 100, false);
  applyMouseMove(100, 104, true);
  const float b = float(-M_PI / 180);  // about the right vector (+x)
  expectNear(get(VT_CAMERA_DIRECTION), {0, -3 * std::sin(b), 3 * std::cos(b)});
  expectNear(get(VT_CAMERA_UP), {0, std::cos(b), std::sin(b)});
  expectNear(get(VT_CAMERA_RIGHT), {2, 0, 0});
}

}  // namespace
