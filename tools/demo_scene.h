// The demo scene shared by the demo-pictures tool and the codec benchmark:
// a 640 x 480 picture of coloured shapes over gradients and its glow mask.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace demo_scene {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr uint8_t kRedGlowMark = 0x80;    // goes in the green byte: mask bit 0x8000
constexpr uint8_t kGreenGlowMark = 0x80;  // goes in the red byte: mask bit 0x80

struct Pixel {
  uint8_t r, g, b, a;
  bool operator==(const Pixel& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

enum class Glow { None, Red, Green };

struct Picture {
  std::vector<Pixel> pixels = std::vector<Pixel>(size_t(kWidth) * kHeight);
  Pixel& at(int x, int y) { return pixels[size_t(y) * kWidth + x]; }  // y = 0 is the bottom row
};

inline uint8_t mix(uint8_t a, uint8_t b, float t) { return uint8_t(std::lround(a + (b - a) * t)); }

inline Pixel blend(Pixel a, Pixel b, float t) {
  return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t), 255};
}

// A shape is a test of a point plus its fill and glow.
struct Shape {
  bool (*inside)(int x, int y);
  Pixel colourA, colourB;  // vertical gradient inside the shape, bottom to top
  Glow glow;
};

inline bool inCircle(int x, int y, int cx, int cy, int radius) {
  const int dx = x - cx, dy = y - cy;
  return dx * dx + dy * dy <= radius * radius;
}

inline bool sun(int x, int y) { return inCircle(x, y, 470, 330, 70); }
inline bool ring(int x, int y) { return inCircle(x, y, 150, 300, 60) && !inCircle(x, y, 150, 300, 38); }
inline bool tower(int x, int y) { return x >= 280 && x < 340 && y >= 60 && y < 300; }
inline bool window1(int x, int y) { return x >= 296 && x < 324 && y >= 220 && y < 270; }
inline bool pyramid(int x, int y) { return y >= 60 && y < 200 && std::abs(x - 560) < (200 - y) * 0.6; }
inline bool lamp(int x, int y) { return inCircle(x, y, 80, 110, 22); }
inline bool stripe(int x, int y) { return y >= 24 && y < 36 && (x / 40) % 2 == 0; }

inline const Shape kShapes[] = {
    {sun, {255, 140, 30, 255}, {255, 230, 120, 255}, Glow::Red},
    {ring, {40, 220, 120, 255}, {160, 255, 200, 255}, Glow::Green},
    {tower, {70, 70, 90, 255}, {120, 120, 150, 255}, Glow::None},
    {window1, {255, 240, 160, 255}, {255, 255, 220, 255}, Glow::Red},
    {pyramid, {150, 60, 170, 255}, {220, 140, 240, 255}, Glow::None},
    {lamp, {120, 255, 140, 255}, {220, 255, 230, 255}, Glow::Green},
    {stripe, {240, 240, 240, 255}, {240, 240, 240, 255}, Glow::Red},
};

constexpr Pixel kSkyLow = {40, 30, 90, 255}, kSkyHigh = {5, 10, 40, 255};
constexpr Pixel kGroundNear = {20, 60, 30, 255}, kGroundFar = {50, 110, 60, 255};
constexpr int kHorizon = 60;

inline void draw(Picture& image, Picture& mask) {
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Pixel p = y < kHorizon ? blend(kGroundNear, kGroundFar, float(y) / kHorizon)
                             : blend(kSkyLow, kSkyHigh, float(y - kHorizon) / (kHeight - kHorizon));
      Pixel m = {0, 0, 0, 255};
      for (const Shape& s : kShapes) {
        if (!s.inside(x, y)) continue;
        p = blend(s.colourA, s.colourB, float(y) / kHeight);
        m = {s.glow == Glow::Green ? kGreenGlowMark : uint8_t(0),
             s.glow == Glow::Red ? kRedGlowMark : uint8_t(0), 0, 255};
      }
      image.at(x, y) = p;
      mask.at(x, y) = m;
    }
  }
}

}  // namespace demo_scene
