// TGA reader: header, true-colour raw and run-length pixel data, rejections.
#include "app/tga.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr size_t kHeaderSize = 18;
constexpr uint8_t kRunPacketBit = 0x80;
constexpr uint8_t kPacketCountMask = 0x7F;
constexpr uint8_t kTopLeftOriginBit = 0x20;
constexpr int64_t kMaxPixelBytes = 0x7FFFFFFF;

const char* const kMsgNotFound = "File not found";
const char* const kMsgColourMapped = "8-bit colour no longer supported";
const char* const kMsgRgbDepth = "Unsupported RGB format";
const char* const kMsgGreyscale = "Must be LUMINANCE or ALPHA greyscale";
const char* const kMsgRleDepth = "Unsupported compressed RGB format";
const char* const kMsgSize = "Unsupported image size";

void report(const char* message, const char* fileName) {
  printf("%s - %s\n", message, fileName);
}

void dropAndPlace(TgaImage& image) {
  image.pixels.reset();
  makePlaceholder(image);
}

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

void readHeader(TgaImage& image, const uint8_t* h) {
  image.idLength = h[0];
  image.colourMapType = h[1];
  image.imageType = h[2];
  image.colourMapFirstIndex = le16(h + 3);
  image.colourMapLength = le16(h + 5);
  image.colourMapEntrySize = h[7];
  image.xOrigin = int16_t(le16(h + 8));
  image.yOrigin = int16_t(le16(h + 10));
  image.width = int16_t(le16(h + 12));
  image.height = int16_t(le16(h + 14));
  image.bitsPerPixel = h[16];
  image.descriptor = h[17];
  image.bytesPerPixel = image.bitsPerPixel >> 3;
}

bool isTrueColourDepth(int bits) { return bits == 24 || bits == 32; }

// The message that rejects the header's type and depth, or null when accepted.
const char* typeRejection(const TgaImage& image) {
  switch (image.imageType) {
    case TGA_COLOUR_MAPPED:
    case TGA_COLOUR_MAPPED_RLE: return kMsgColourMapped;
    case TGA_GREYSCALE: return kMsgGreyscale;
    case TGA_TRUE_COLOUR: return isTrueColourDepth(image.bitsPerPixel) ? nullptr : kMsgRgbDepth;
    case TGA_TRUE_COLOUR_RLE: return isTrueColourDepth(image.bitsPerPixel) ? nullptr : kMsgRleDepth;
    default: return nullptr;  // unknown types get a zero buffer of the header's size
  }
}

// Bytes between the header and the pixels: the image-ID field and a colour map.
long prefixBytes(const TgaImage& image) {
  long bytes = image.idLength;
  if (image.colourMapType == 1)
    bytes += long(image.colourMapLength) * ((image.colourMapEntrySize + 7) / 8);
  return bytes;
}

std::vector<uint8_t> readRest(FILE* file) {
  std::vector<uint8_t> data;
  uint8_t chunk[1 << 16];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) data.insert(data.end(), chunk, chunk + got);
  return data;
}

// File pixels are blue, green, red (, alpha): exchange the first and third byte.
void swapRedBlue(uint8_t* pixels, size_t byteSize, int bytesPerPixel) {
  for (size_t i = 0; i + 2 < byteSize; i += bytesPerPixel) std::swap(pixels[i], pixels[i + 2]);
}

void decodeRaw(const std::vector<uint8_t>& data, TgaImage& image) {
  // Whole pixels only: a pixel cut off by the file end stays zero like the rest.
  const size_t bpp = size_t(image.bytesPerPixel);
  const size_t n = bpp == 0 ? 0 : std::min(data.size(), size_t(image.byteSize)) / bpp * bpp;
  if (n > 0) memcpy(image.pixels.get(), data.data(), n);
  swapRedBlue(image.pixels.get(), n, image.bytesPerPixel);
}

void decodeRunLength(const std::vector<uint8_t>& data, TgaImage& image) {
  const size_t bpp = size_t(image.bytesPerPixel);
  const size_t end = size_t(image.byteSize);
  uint8_t* out = image.pixels.get();
  size_t in = 0, pos = 0;
  while (pos < end && in < data.size()) {
    const uint8_t header = data[in++];
    const int count = (header & kPacketCountMask) + 1;
    const bool run = header & kRunPacketBit;
    for (int i = 0; i < count; ++i) {
      if (i == 0 || !run) {
        if (in + bpp > data.size()) return;  // file ends early: the rest stays zero
        in += bpp;
      }
      if (pos + bpp <= end) {
        memcpy(out + pos, &data[in - bpp], bpp);
        std::swap(out[pos], out[pos + 2]);
      }
      pos += bpp;  // pixels past the buffer are dropped
    }
  }
}

// Rows are delivered bottom row first whatever the descriptor says.
void flipRows(TgaImage& image) {
  const size_t rowBytes = size_t(image.width) * image.bytesPerPixel;
  uint8_t* p = image.pixels.get();
  for (int top = 0, bottom = image.height - 1; top < bottom; ++top, --bottom)
    std::swap_ranges(p + top * rowBytes, p + (top + 1) * rowBytes, p + bottom * rowBytes);
}

}  // namespace

int loadTga(TgaImage& image, const char* fileName) {
  FILE* file = fopen(fileName, "rb");
  if (!file) {
    report(kMsgNotFound, fileName);
    dropAndPlace(image);
    return 0;
  }
  uint8_t header[kHeaderSize] = {};
  const size_t headerRead = fread(header, 1, kHeaderSize, file);
  readHeader(image, header);
  const int64_t byteSize = int64_t(image.bytesPerPixel) * image.width * image.height;
  const char* rejection = typeRejection(image);
  if (!rejection && (image.width < 1 || image.height < 1 || byteSize > kMaxPixelBytes ||
                     headerRead < kHeaderSize))
    rejection = kMsgSize;
  if (rejection) {
    report(rejection, fileName);
    dropAndPlace(image);
    fclose(file);
    return 1;
  }
  image.byteSize = int32_t(byteSize);
  if (isTrueColourDepth(image.bitsPerPixel))
    image.pixelFormat = image.bitsPerPixel == 32 ? GL_RGBA : GL_RGB;
  image.pixels = std::make_unique<uint8_t[]>(size_t(byteSize));  // zero-filled
  fseek(file, prefixBytes(image), SEEK_CUR);
  const std::vector<uint8_t> data = readRest(file);
  fclose(file);
  if (image.imageType == TGA_TRUE_COLOUR) decodeRaw(data, image);
  if (image.imageType == TGA_TRUE_COLOUR_RLE) decodeRunLength(data, image);
  if (image.descriptor & kTopLeftOriginBit) flipRows(image);
  return 1;
}

void makePlaceholder(TgaImage& image) {
  image.imageType = TGA_GREYSCALE;
  image.width = kPlaceholderSide;
  image.height = kPlaceholderSide;
  image.bitsPerPixel = 8;
  image.bytesPerPixel = 1;
  image.byteSize = kPlaceholderSide * kPlaceholderSide;
  image.pixels = std::make_unique<uint8_t[]>(size_t(image.byteSize));
  for (int i = 0; i < kPlaceholderSide; ++i)
    for (int j = 0; j < kPlaceholderSide; ++j)
      image.pixels[i * kPlaceholderSide + j] = checkerboardByte(i, j);
  definePlaceholderTexture(image.pixels.get(), kPlaceholderSide);
}
