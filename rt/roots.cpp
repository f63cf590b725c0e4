// Closed-form polynomial root solvers (quadratic, cubic by Cardano and the
// trigonometric form, quartic by Ferrari's resolvent cubic). Everything is
// single precision, with the formulas' constants given as the floats below.
#include "rt/roots.h"

#include <cmath>

#include "rt/rt_tolerances.h"

namespace {

constexpr float kOneThird = 0.33333334f;
constexpr float kTwo27ths = 0.074074075f;
constexpr float kPiThirds = 1.0471976f;

bool is_zero(float v) { return v > -rt::kRootZeroTolerance && v < rt::kRootZeroTolerance; }

// Real cube root that keeps the sign of x.
float cube_root(float x) {
  float r = std::pow(std::fabs(x), kOneThird);
  return x < 0.0f ? -r : r;
}

// Roots of the depressed cubic y^3 + 3p y + 2q = 0.
int solve_depressed_cubic(float p, float q, float roots[]) {
  float d = q * q + p * p * p;
  if (is_zero(d)) {
    if (is_zero(q)) {
      roots[0] = 0.0f;
      return 1;
    }
    float u = cube_root(-q);
    roots[0] = 2.0f * u;
    roots[1] = -u;
    return 2;
  }
  if (d < 0.0f) {
    // Three real roots. Rounding can push the cosine a hair past +-1,
    // where arccos would give NaN and lose all three roots: clamp it.
    float cosine = -q / std::sqrt(-p * p * p);
    cosine = std::fmin(1.0f, std::fmax(-1.0f, cosine));
    float phi = kOneThird * std::acos(cosine);
    float t = 2.0f * std::sqrt(-p);
    roots[0] = t * std::cos(phi);
    roots[1] = -t * std::cos(phi + kPiThirds);
    roots[2] = -t * std::cos(phi - kPiThirds);
    return 3;
  }
  float s = std::sqrt(d);
  roots[0] = cube_root(s - q) - cube_root(s + q);
  return 1;
}

// Square root for the quartic's two auxiliary terms: near-zero values give 0,
// negative ones mean the quartic has no real roots (returns false). `scale`
// is the magnitude of the terms whose difference gave `squared`.
bool quartic_aux_root(float squared, float scale, float* out) {
  if (is_zero(squared) || (squared < 0.0f && -squared <= rt::kQuarticRoundingSlack * scale)) {
    *out = 0.0f;
    return true;
  }
  if (squared < 0.0f) return false;
  *out = std::sqrt(squared);
  return true;
}

}  // namespace

int solve_quadratic(const float c[3], float roots[]) {
  float p = c[1] / (2.0f * c[2]);
  float q = c[0] / c[2];
  float d = p * p - q;
  if (is_zero(d)) {
    roots[0] = -p;
    return 1;
  }
  if (!(d > 0.0f)) return 0;  // negative or NaN
  float s = std::sqrt(d);
  roots[0] = s - p;
  roots[1] = -s - p;
  return 2;
}

int solve_cubic(const float c[4], float roots[]) {
  float a = c[2] / c[3];
  float b = c[1] / c[3];
  float cc = c[0] / c[3];
  float a_squared = a * a;
  float p = kOneThird * (b - kOneThird * a_squared);
  float q = 0.5f * (kTwo27ths * a * a_squared - kOneThird * a * b + cc);
  int n = solve_depressed_cubic(p, q, roots);
  float shift = kOneThird * a;
  for (int i = 0; i < n; ++i) roots[i] -= shift;
  return n;
}

int solve_quartic(const float c[5], float roots[]) {
  float a = c[3] / c[4];
  float b = c[2] / c[4];
  float cc = c[1] / c[4];
  float d = c[0] / c[4];
  // x = y - a/4 gives y^4 + p y^2 + q y + r = 0.
  float a_squared = a * a;
  float p = b - 0.375f * a_squared;
  float q = cc + 0.125f * a_squared * a - 0.5f * a * b;
  float r = d + 0.0625f * a_squared * b - 0.01171875f * a_squared * a_squared - 0.25f * a * cc;

  int n;
  if (is_zero(r)) {
    // y (y^3 + p y + q) = 0
    const float cubic[4] = {q, p, 0.0f, 1.0f};
    n = solve_cubic(cubic, roots);
    roots[n++] = 0.0f;
  } else {
    const float resolvent[4] = {0.5f * r * p - 0.125f * q * q, -r, -0.5f * p, 1.0f};
    solve_cubic(resolvent, roots);
    float z = roots[0];
    float u, v;
    if (!quartic_aux_root(z * z - r, std::fmax(z * z, std::fabs(r)), &u)) return 0;
    if (!quartic_aux_root(2.0f * z - p, std::fmax(std::fabs(2.0f * z), std::fabs(p)), &v)) return 0;
    const float first[3] = {z - u, q < 0.0f ? -v : v, 1.0f};
    const float second[3] = {z + u, q < 0.0f ? v : -v, 1.0f};
    n = solve_quadratic(first, roots);
    n += solve_quadratic(second, roots + n);
  }
  float shift = 0.25f * a;
  for (int i = 0; i < n; ++i) roots[i] -= shift;
  return n;
}

void sort_ascending(float values[], int count) {
  for (int a = 0; a < count - 1; ++a) {
    int smallest = a;
    for (int i = a + 1; i < count; ++i)
      if (values[i] < values[smallest]) smallest = i;
    float t = values[a];
    values[a] = values[smallest];
    values[smallest] = t;
  }
}
