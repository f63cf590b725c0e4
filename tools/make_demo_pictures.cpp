// Draws the demo pictures: "image.tga", a 640 x 480 scene of coloured shapes
// over gradients, and "mask.tga", whose green-byte top bit marks shapes for the
// red glow and whose red-byte top bit marks shapes for the green glow. Both are
// written as run-length TGA files, 32 bits per pixel, bottom row first.
//
// Usage: make_demo_pictures [FOLDER]   (default: the working directory)
#include "tools/demo_scene.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kMaxPacket = 128;
constexpr uint8_t kRunPacket = 0x80;
constexpr uint8_t kTrueColourRle = 10;
using demo_scene::kHeight;
using demo_scene::kWidth;
using demo_scene::Picture;
using demo_scene::Pixel;

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
  demo_scene::draw(image, mask);
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
