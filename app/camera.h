// The user's controls: the frame-rate title, W/A/S/D (+Shift) flight and
// left-drag mouse look of the ray-tracing camera, and the glow strengths that
// follow the pointer.
#pragma once

#include "rt/vec3.h"

// A rotation as a unit quaternion (w, x, y, z). The virtual destructor is its
// only virtual operation.
class Quaternion {
 public:
  Quaternion(float w, float x, float y, float z) : w(w), x(x), y(y), z(z) {}
  virtual ~Quaternion() = default;
  Quaternion(const Quaternion&) = default;
  Quaternion& operator=(const Quaternion&) = default;

  float w, x, y, z;
};

Quaternion operator*(const Quaternion& a, const Quaternion& b);

// Rotates v in place about `axis` by `angle` radians (the axis need not be unit:
// the quaternion is normalised).
void rotateAboutAxis(const Vec3& axis, Vec3& v, float angle);

// The keys flyCamera acts on, as read this frame.
struct FlyKeys {
  bool forward, back, left, right, fast;
};

// Moves the camera position one step per key held: along the normalised
// direction (W/S) and right vector (D/A); Shift makes the step ten times longer.
void moveCamera(const FlyKeys& keys);

// Once a frame: frame-rate title, then the camera moved by the keys held.
void flyCamera();

// Mouse-position callback: glow strengths from the pointer; while the left
// button is held, the camera turns (yaw about world up, pitch about right).
void onMouseMove(int x, int y);
void applyMouseMove(int x, int y, bool leftButtonDown);

// Forgets the previous frame time and pointer position.
void resetControls();
