// TGA reader: every accepted type and depth, packets across rows, rejections
// with their messages, the placeholder, and the decisions on bad input.
#include "app/tga.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes header(uint8_t type, int width, int height, uint8_t bits, uint8_t descriptor = 0,
             uint8_t idLength = 0, uint8_t mapType = 0, uint16_t mapLength = 0,
             uint8_t mapEntryBits = 0) {
  return {idLength, mapType, type, 0, 0, uint8_t(mapLength), uint8_t(mapLength >> 8), mapEntryBits,
          0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8), uint8_t(height),
          uint8_t(height >> 8), bits, descriptor};
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class TgaFile : public ::testing::Test {
 protected:
  // ctest runs each case as its own process, several at once: one file each.
  std::string path = ::testing::TempDir() + "tga_test_" + std::to_string(getpid()) + ".tga";
  TgaImage image;
  std::string printed;

  void TearDown() override { std::remove(path.c_str()); }

  int load(const Bytes& file) {
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(file.data(), 1, file.size(), f);
    fclose(f);
    ::testing::internal::CaptureStdout();
    const int result = loadTga(image, path.c_str());
    printed = ::testing::internal::GetCapturedStdout();
    return result;
  }
  Bytes pixels() const { return Bytes(image.pixels.get(), image.pixels.get() + image.byteSize); }
  void expectPlaceholder() const {
    EXPECT_EQ(image.width, 128);
    EXPECT_EQ(image.height, 128);
    EXPECT_EQ(image.bytesPerPixel, 1);
    EXPECT_EQ(image.byteSize, 16384);
    const Bytes p = pixels();
    EXPECT_EQ(Bytes(p.begin(), p.begin() + 16), Bytes(16, 255));
    EXPECT_EQ(Bytes(p.begin() + 16, p.begin() + 32), Bytes(16, 0));
    EXPECT_EQ(p[16 * 128], 0);       // row 16 starts a dark square
    EXPECT_EQ(p[16 * 128 + 16], 255);
  }
};

TEST_F(TgaFile, Raw32BitSwapsRedAndBlue) {
  EXPECT_EQ(load(header(2, 1, 1, 32) + Bytes{10, 20, 30, 40}), 1);
  EXPECT_EQ(pixels(), (Bytes{30, 20, 10, 40}));
  EXPECT_EQ(image.pixelFormat, 0x1908u);  // GL_RGBA
  EXPECT_EQ(printed, "");
}

TEST_F(TgaFile, Raw24BitKeepsRowsBottomFirst) {
  EXPECT_EQ(load(header(2, 2, 2, 24) + Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), 1);
  EXPECT_EQ(pixels(), (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
  EXPECT_EQ(image.pixelFormat, 0x1907u);  // GL_RGB
}

TEST_F(TgaFile, RunPacketRepeatsOnePixelAcrossRows) {
  // 3 x 2 picture: a run of 4 crosses into the second row, then a raw packet of 2.
  EXPECT_EQ(load(header(10, 3, 2, 24) + Bytes{0x83, 1, 2, 3} + Bytes{0x01, 4, 5, 6, 7, 8, 9}), 1);
  EXPECT_EQ(pixels(), (Bytes{3, 2, 1, 3, 2, 1, 3, 2, 1, 3, 2, 1, 6, 5, 4, 9, 8, 7}));
}

TEST_F(TgaFile, RawPacketHeaderZeroCarriesOnePixel) {
  EXPECT_EQ(load(header(10, 2, 1, 32) + Bytes{0x00, 1, 2, 3, 4} + Bytes{0x00, 5, 6, 7, 8}), 1);
  EXPECT_EQ(pixels(), (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST_F(TgaFile, PixelsPastTheBufferAreDropped) {
  EXPECT_EQ(load(header(10, 2, 1, 24) + Bytes{0xFF, 1, 2, 3}), 1);  // a run of 128 for 2 pixels
  EXPECT_EQ(pixels(), (Bytes{3, 2, 1, 3, 2, 1}));
}

TEST_F(TgaFile, TruncatedDataLeavesZeros) {
  EXPECT_EQ(load(header(2, 2, 1, 24) + Bytes{1, 2, 3, 4}), 1);
  EXPECT_EQ(pixels(), (Bytes{3, 2, 1, 0, 0, 0}));
  EXPECT_EQ(load(header(10, 3, 1, 24) + Bytes{0x02, 1, 2, 3, 4}), 1);  // raw packet cut off
  EXPECT_EQ(pixels(), (Bytes{3, 2, 1, 0, 0, 0, 0, 0, 0}));
}

TEST_F(TgaFile, ImageIdAndColourMapAreSkipped) {
  const Bytes file = header(2, 1, 1, 24, 0, 3, 1, 2, 24) + Bytes{9, 9, 9} + Bytes(6, 7) + Bytes{1, 2, 3};
  EXPECT_EQ(load(file), 1);
  EXPECT_EQ(pixels(), (Bytes{3, 2, 1}));
}

TEST_F(TgaFile, TopLeftOriginIsDeliveredBottomRowFirst) {
  EXPECT_EQ(load(header(2, 1, 3, 24, 0x20) + Bytes{1, 1, 1, 2, 2, 2, 3, 3, 3}), 1);
  EXPECT_EQ(pixels(), (Bytes{3, 3, 3, 2, 2, 2, 1, 1, 1}));
  EXPECT_EQ(image.descriptor, 0x20);
}

TEST_F(TgaFile, UnknownTypeGivesZeroBufferOfHeaderSize) {
  EXPECT_EQ(load(header(0, 2, 3, 24) + Bytes(18, 77)), 1);
  EXPECT_EQ(pixels(), Bytes(18, 0));
  EXPECT_EQ(printed, "");
}

TEST_F(TgaFile, MissingFileGivesPlaceholder) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(loadTga(image, "/nonexistent/picture.tga"), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "File not found - /nonexistent/picture.tga\n");
  expectPlaceholder();
}

struct Rejection {
  uint8_t type;
  int width, height;
  uint8_t bits;
  const char* message;
};

class TgaRejection : public TgaFile, public ::testing::WithParamInterface<Rejection> {};

TEST_P(TgaRejection, PrintsMessageAndLeavesPlaceholder) {
  const Rejection& r = GetParam();
  image.pixels = std::make_unique<uint8_t[]>(4);  // a held buffer is replaced
  EXPECT_EQ(load(header(r.type, r.width, r.height, r.bits) + Bytes(64, 1)), 1);
  EXPECT_EQ(printed, std::string(r.message) + " - " + path + "\n");
  expectPlaceholder();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TgaRejection,
    ::testing::Values(Rejection{1, 4, 4, 8, "8-bit colour no longer supported"},
                      Rejection{9, 4, 4, 8, "8-bit colour no longer supported"},
                      Rejection{2, 4, 4, 16, "Unsupported RGB format"},
                      Rejection{3, 4, 4, 8, "Must be LUMINANCE or ALPHA greyscale"},
                      Rejection{3, 4, 4, 32, "Must be LUMINANCE or ALPHA greyscale"},
                      Rejection{10, 4, 4, 16, "Unsupported compressed RGB format"},
                      Rejection{2, 0, 4, 24, "Unsupported image size"},
                      Rejection{10, 4, -3, 32, "Unsupported image size"},
                      Rejection{0, 5, 0, 24, "Unsupported image size"},
                      Rejection{2, 32767, 32767, 32, "Unsupported image size"}));

}  // namespace
