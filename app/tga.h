// TGA picture reader: uncompressed and run-length true-colour files of 24 or
// 32 bits per pixel, delivered in red, green, blue (, alpha) order, bottom row
// first. Missing or rejected files leave a 128 x 128 checkerboard placeholder.
#pragma once

#include <cstdint>
#include <memory>

struct TgaImage {
  uint8_t idLength = 0;
  uint8_t colourMapType = 0;
  uint8_t imageType = 0;
  uint16_t colourMapFirstIndex = 0;
  uint16_t colourMapLength = 0;
  uint8_t colourMapEntrySize = 0;
  int16_t xOrigin = 0;
  int16_t yOrigin = 0;
  int16_t width = 0;
  int16_t height = 0;
  uint8_t bitsPerPixel = 0;
  uint8_t descriptor = 0;
  int32_t bytesPerPixel = 0;
  int32_t byteSize = 0;
  uint32_t pixelFormat = 0;  // GL_RGB or GL_RGBA for accepted true-colour files
  std::unique_ptr<uint8_t[]> pixels;
};

// Image types of the TGA header that the reader distinguishes.
enum TgaImageType : uint8_t {
  TGA_COLOUR_MAPPED = 1,
  TGA_TRUE_COLOUR = 2,
  TGA_GREYSCALE = 3,
  TGA_COLOUR_MAPPED_RLE = 9,
  TGA_TRUE_COLOUR_RLE = 10,
};

// The placeholder: kPlaceholderSide squared one-byte pixels in squares of
// kPlaceholderSquare, 255 at the origin.
constexpr int kPlaceholderSide = 128;
constexpr int kPlaceholderSquare = 16;

// Reads the file into the record. Answers 0 when the file could not be opened,
// 1 when it was opened (also when its type or size was rejected).
int loadTga(TgaImage& image, const char* fileName);

// Replaces the record's pixels by the 128 x 128 checkerboard and defines it as
// the currently bound texture (no effect without a current GL context).
void makePlaceholder(TgaImage& image);

// The checkerboard byte of row i, column j.
inline uint8_t checkerboardByte(int row, int column) {
  return ((row ^ column) & kPlaceholderSquare) == 0 ? 255 : 0;
}

// Defines the placeholder's bytes as level 0 of the bound texture (tga_texture.cpp).
void definePlaceholderTexture(const uint8_t* pixels, int side);
