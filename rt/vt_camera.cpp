// Camera parameters: read and write by id, and re-aim at a target.
#include <cmath>

#include "rt/rt_tolerances.h"
#include "rt/vt_state.h"

namespace {

Vec3* camera_vector(VtState* state, int32_t id) {
  switch (id) {
    case VT_CAMERA_POSITION: return &state->camera_position;
    case VT_CAMERA_DIRECTION: return &state->camera_direction;
    case VT_CAMERA_RIGHT: return &state->camera_right;
    case VT_CAMERA_UP: return &state->camera_up;
    default: return nullptr;
  }
}

// The frame is built in double precision and stored as floats.
struct DVec {
  double x, y, z;
};
DVec widen(const Vec3& v) { return {v.x, v.y, v.z}; }
Vec3 narrow(const DVec& v) {
  return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}
DVec cross(const DVec& a, const DVec& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(const DVec& a, const DVec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double length(const DVec& a) { return std::sqrt(dot(a, a)); }
DVec scaled(const DVec& a, double s) { return {a.x * s, a.y * s, a.z * s}; }

}  // namespace

// Shared by vtLookAt and the state reset (which aims a block that may not be
// the global one).
void vtLookAtState(VtState* state, float x, float y, float z) {
  const DVec d_old = widen(state->camera_direction);
  const DVec r_old = widen(state->camera_right);
  const DVec u_old = widen(state->camera_up);
  const DVec p = widen(state->camera_position);
  const double handedness = dot(cross(u_old, d_old), r_old);

  const DVec aim{x - p.x, y - p.y, z - p.z};
  const double aim_length = length(aim);
  if (!(aim_length >= rt::kMinAimLength)) {  // also refuses NaN
    vtLastError = VT_INVALID_VALUE;
    return;
  }
  const DVec d = scaled(aim, 1.0 / aim_length);
  const DVec r_raw = cross(u_old, d);
  const double r_length = length(r_raw);
  if (!(r_length >= rt::kMinAimLength)) {
    vtLastError = VT_INVALID_VALUE;
    return;
  }
  const DVec r = scaled(r_raw, 1.0 / r_length);
  const DVec u = cross(d, r);
  const double keep_right = handedness < 0.0 ? -length(r_old) : length(r_old);
  state->camera_direction = narrow(scaled(d, length(d_old)));
  state->camera_right = narrow(scaled(r, keep_right));
  state->camera_up = narrow(scaled(u, length(u_old)));
}

Vec3* vtGetCameraVector(Vec3* out, int32_t id) {
  const Vec3* v = camera_vector(&vtState, id);
  if (v == nullptr) {
    vtLastError = VT_INVALID_ENUM;
    return out;
  }
  *out = *v;
  return out;
}

void vtSetCameraVector(const Vec3* vector, int32_t id) {
  Vec3* v = camera_vector(&vtState, id);
  if (v == nullptr) {
    vtLastError = VT_INVALID_ENUM;
    return;
  }
  *v = *vector;
}

void vtLookAt(float x, float y, float z) { vtLookAtState(&vtState, x, y, z); }
