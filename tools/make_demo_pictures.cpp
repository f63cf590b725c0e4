// Draws the demo pictures: "image.tga", a 640 x 480 scene of coloured shapes
// over gradients, and "mask.tga", whose green-byte top bit marks shapes for the
// red glow and whose red-byte top bit marks shapes for the green glow. Both are
// written as run-length TGA files, 32 bits per pixel, bottom row first.
//
// Usage: make_demo_pictures [FOLDER]   (default: the working directory)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kMaxPacket = 128;
constexpr uint8_t kRunPacket = 0x80;
constexpr uint8_t kTrueColourRle = 10;
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

uint8_t mix(uint8_t a, uint8_t b, float t) { return uint8_t(std::lround(a + (b - a) * t)); }

Pixel blend(Pixel a, Pixel b, float t) {
  return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t), 255};
}

// A shape is a test of a point plus its fill and glow.
struct Shape {
  bool (*inside)(int x, int y);
  Pixel colourA, colourB;  // vertical gradient inside the shape, bottom to top
  Glow glow;
};

bool inCircle(int x, int y, int cx, int cy, int radius) {
  const int dx = x - cx, dy = y - cy;
  return dx * dx + dy * dy <= radius * radius;
}

bool sun(int x, int y) { return inCircle(x, y, 470, 330, 70); }
bool ring(int x, int y) { return inCircle(x, y, 150, 300, 60) && !inCircle(x, y, 150, 300, 38); }
bool tower(int x, int y) { return x >= 280 && x < 340 && y >= 60 && y < 300; }
bool window1(int x, int y) { return x >= 296 && x < 324 && y >= 220 && y < 270; }
bool pyramid(int x, int y) { return y >= 60 && y < 200 && std::abs(x - 560) < (200 - y) * 0.6; }
bool lamp(int x, int y) { return inCircle(x, y, 80, 110, 22); }
bool stripe(int x, int y) { return y >= 24 && y < 36 && (x / 40) % 2 == 0; }

const Shape kShapes[] = {
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

void draw(Picture& image, Picture& mask) {
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

void putPixel(std::vector<uint8_t>& out, const Pixel& p) {
  out.insert(out.end(), {p.b, p.g, p.r, p.a});  // TGA order: blue, green, red, alpha
}

// Run packets for repeated pixels, raw packets for the rest; packets cross rows.
std::vector<uint8_t> encodeRunLength(const std::vector<Pixel>& px) {
  std::vector<uint8_t> out;
  size_t i = 0;
  while (i < px.size()) {
    size_t run = 1;
    while (i + run < px.size() && run < kMaxPacket && px[i + run] == px[i]) ++run;
    if (run > 1) {
      out.push_back(uint8_t(kRunPacket | (run - 1)));
      putPixel(out, px[i]);
      i += run;
      continue;
    }
    size_t raw = 1;
    while (i + raw < px.size() && raw < kMaxPacket &&
           !(i + raw + 1 < px.size() && px[i + raw] == px[i + raw + 1]))
      ++raw;
    out.push_back(uint8_t(raw - 1));
    for (size_t k = 0; k < raw; ++k) putPixel(out, px[i + k]);
    i += raw;
  }
  return out;
}

bool writeTga(const std::string& path, const Picture& picture) {
  const uint8_t header[18] = {0, 0, kTrueColourRle, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                              uint8_t(kWidth), uint8_t(kWidth >> 8), uint8_t(kHeight),
                              uint8_t(kHeight >> 8), 32, 8};  // 8 alpha bits, bottom-left origin
  const std::vector<uint8_t> body = encodeRunLength(picture.pixels);
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = fwrite(header, 1, sizeof header, f) == sizeof header &&
                  fwrite(body.data(), 1, body.size(), f) == body.size();
  return fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  Picture image, mask;
  draw(image, mask);
  for (const auto& [name, picture] : {std::pair{"image.tga", &image}, std::pair{"mask.tga", &mask}}) {
    const std::string path = folder + "/" + name;
    if (!writeTga(path, *picture)) {
      fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    printf("wrote %s\n", path.c_str());
  }
  return 0;
}
