// Start-up pictures: placeholders at the other picture's size, 32-bit form.
#include "app/pictures.h"

#include <GL/gl.h>

#include <cstdio>

namespace {

constexpr int kRgba = 4;
constexpr int kRgb = 3;
constexpr int kGrey = 1;
constexpr uint8_t kOpaque = 255;
constexpr int64_t kMaxPixelBytes = 0x7FFFFFFF;

// A picture read from its file and of a depth the viewer can widen to 32 bits.
bool usable(const TgaImage& p, const char* name) {
  if (!p.pixels || isPlaceholder(p)) return false;
  if (p.bytesPerPixel == kRgba || p.bytesPerPixel == kRgb || p.bytesPerPixel == kGrey) return true;
  printf("%s - %s\n", "Unsupported pixel depth", name);
  return false;
}

void toRgba(TgaImage& p) {
  if (p.bytesPerPixel == kRgba) return;
  const size_t count = size_t(p.width) * p.height;
  auto rgba = std::make_unique<uint8_t[]>(count * kRgba);
  const uint8_t* in = p.pixels.get();
  for (size_t i = 0; i < count; ++i, in += p.bytesPerPixel) {
    uint8_t* out = &rgba[i * kRgba];
    const bool grey = p.bytesPerPixel == kGrey;
    out[0] = in[0];
    out[1] = grey ? in[0] : in[1];
    out[2] = grey ? in[0] : in[2];
    out[3] = kOpaque;
  }
  p.pixels = std::move(rgba);
  p.bytesPerPixel = kRgba;
  p.bitsPerPixel = kRgba * 8;
  p.byteSize = int32_t(count * kRgba);
  p.pixelFormat = GL_RGBA;
}

}  // namespace

bool isPlaceholder(const TgaImage& picture) {
  // The reader accepts no greyscale file, so a greyscale record is always the placeholder.
  return picture.imageType == TGA_GREYSCALE;
}

void makeCheckerboard(TgaImage& picture, int width, int height) {
  picture.imageType = TGA_GREYSCALE;
  picture.width = int16_t(width);
  picture.height = int16_t(height);
  picture.bitsPerPixel = 8;
  picture.bytesPerPixel = kGrey;
  picture.byteSize = width * height;
  picture.pixels = std::make_unique<uint8_t[]>(size_t(width) * height);
  for (int i = 0; i < height; ++i)
    for (int j = 0; j < width; ++j) picture.pixels[size_t(i) * width + j] = checkerboardByte(i, j);
}

bool preparePictures(TgaImage& mask, const char* maskName, TgaImage& image, const char* imageName) {
  const bool maskOk = usable(mask, maskName), imageOk = usable(image, imageName);
  if (maskOk && imageOk && (mask.width != image.width || mask.height != image.height)) {
    printf("Picture sizes differ: %s is %ix%i, %s is %ix%i. exiting...\n", maskName, mask.width,
           mask.height, imageName, image.width, image.height);
    return false;
  }
  if (!maskOk && imageOk) makeCheckerboard(mask, image.width, image.height);
  if (maskOk && !imageOk) makeCheckerboard(image, mask.width, mask.height);
  if (!maskOk && !imageOk) {
    makeCheckerboard(mask, kPlaceholderSide, kPlaceholderSide);
    makeCheckerboard(image, kPlaceholderSide, kPlaceholderSide);
  }
  if (int64_t(mask.width) * mask.height * kRgba > kMaxPixelBytes) {
    printf("%s - %s\n", "Unsupported image size", maskName);
    return false;
  }
  toRgba(mask);
  toRgba(image);
  return true;
}
