// Camera fly keys, mouse look and the frame-rate title.
#include "app/camera.h"

#include "app/viewer_state.h"
#include "app/window.h"
#include "rt/vt_state.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr float kSlowSpeed = 10.0f;
constexpr float kFastSpeed = 100.0f;
constexpr float kStepPerSpeed = 0.1f;          // world units per frame and unit of speed
constexpr float kYawPerHalfPixel = -0.017453292f;  // -pi/180: half a degree per pixel
constexpr float kPitchPerHalfPixel = 0.008726646f; // pi/360: a quarter degree per pixel
constexpr float kGreenAcross = 2.0f;   // green strength at the right edge
constexpr float kRedDown = 3.0f;       // red strength at the bottom edge
constexpr Vec3 kWorldUp = {0.0f, 1.0f, 0.0f};
constexpr int kTitleRoom = 128;

struct Controls {
  double lastTime = 0.0;
  float lastHalfX = 0.0f, lastHalfY = 0.0f;
};
Controls controls;

Vec3 cameraVector(int32_t id) {
  Vec3 v = {0, 0, 0};
  vtGetCameraVector(&v, id);
  return v;
}

Vec3 unit(const Vec3& v) { return v * (1.0f / vec3_length(v)); }

// Either case of a letter counts; the lower-case code is polled first.
bool letterDown(char lower) { return winGetKey(lower) || winGetKey(lower - ('a' - 'A')); }

void setTitle(float frameSeconds) {
  char title[kTitleRoom];
  snprintf(title, sizeof title, "%s - %.1f fps", kWindowTitle, 1.0f / frameSeconds);
  winSetWindowTitle(title);
}

}  // namespace

Quaternion operator*(const Quaternion& a, const Quaternion& b) {
  return Quaternion(a.w * b.w - (a.x * b.x + a.y * b.y + a.z * b.z),
                    a.w * b.x + b.w * a.x + a.y * b.z - a.z * b.y,
                    a.w * b.y + b.w * a.y + a.z * b.x - a.x * b.z,
                    a.w * b.z + b.w * a.z + a.x * b.y - a.y * b.x);
}

void rotateAboutAxis(const Vec3& axis, Vec3& v, float angle) {
  const float s = std::sin(angle / 2);
  Quaternion q(std::cos(angle / 2), s * axis.x, s * axis.y, s * axis.z);
  const float norm = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  q = Quaternion(q.w / norm, q.x / norm, q.y / norm, q.z / norm);
  const Quaternion p(0, v.x, v.y, v.z);
  const Quaternion conjugate(q.w, -q.x, -q.y, -q.z);
  const Quaternion r = (q * p) * conjugate;
  v = {r.x, r.y, r.z};
}

void moveCamera(const FlyKeys& keys) {
  const float step = kStepPerSpeed * (keys.fast ? kFastSpeed : kSlowSpeed);
  Vec3 position = cameraVector(VT_CAMERA_POSITION);
  const Vec3 direction = cameraVector(VT_CAMERA_DIRECTION);
  const Vec3 right = cameraVector(VT_CAMERA_RIGHT);
  if (keys.forward) position = position + unit(direction) * step;
  if (keys.back) position = position - unit(direction) * step;
  if (keys.left) position = position - unit(right) * step;
  if (keys.right) position = position + unit(right) * step;
  vtSetCameraVector(&position, VT_CAMERA_POSITION);
  vtSetCameraVector(&direction, VT_CAMERA_DIRECTION);
  vtSetCameraVector(&right, VT_CAMERA_RIGHT);
}

void flyCamera() {
  const float frameSeconds = float(winGetTime() - controls.lastTime);
  controls.lastTime = winGetTime();
  setTitle(frameSeconds);
  FlyKeys keys;
  keys.fast = winGetKey(WIN_KEY_LSHIFT) || winGetKey(WIN_KEY_RSHIFT);
  keys.forward = letterDown('w');
  keys.back = letterDown('s');
  keys.left = letterDown('a');
  keys.right = letterDown('d');
  moveCamera(keys);
}

void applyMouseMove(int x, int y, bool leftButtonDown) {
  if (gViewer.windowWidth > 0 && gViewer.windowHeight > 0) {
    gViewer.greenIntensity = kGreenAcross * float(x) / float(gViewer.windowWidth);
    gViewer.redIntensity = kRedDown * float(y) / float(gViewer.windowHeight);
  }
  const float halfX = float(x) * 0.5f, halfY = float(y) * 0.5f;
  if (leftButtonDown) {
    Vec3 frame[3] = {cameraVector(VT_CAMERA_DIRECTION), cameraVector(VT_CAMERA_UP),
                     cameraVector(VT_CAMERA_RIGHT)};
    const float yaw = (controls.lastHalfX - halfX) * kYawPerHalfPixel;
    for (Vec3& v : frame) rotateAboutAxis(kWorldUp, v, yaw);
    const Vec3 pitchAxis = unit(frame[2]);
    const float pitch = (controls.lastHalfY - halfY) * kPitchPerHalfPixel;
    for (Vec3& v : frame) rotateAboutAxis(pitchAxis, v, pitch);
    vtSetCameraVector(&frame[0], VT_CAMERA_DIRECTION);
    vtSetCameraVector(&frame[1], VT_CAMERA_UP);
    vtSetCameraVector(&frame[2], VT_CAMERA_RIGHT);
  }
  controls.lastHalfX = halfX;
  controls.lastHalfY = halfY;
}

void onMouseMove(int x, int y) { applyMouseMove(x, y, winGetMouseButton(WIN_MOUSE_BUTTON_LEFT)); }

void resetControls() { controls = Controls(); }
