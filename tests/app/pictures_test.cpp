// Start-up pictures: 32-bit form, placeholders at the other picture's size,
// the refusal of two pictures of different sizes.
#include "app/pictures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TgaImage loaded(int width, int height, int bytesPerPixel, uint8_t fill) {
  TgaImage p;
  p.imageType = bytesPerPixel == 1 ? 0 : 2;
  p.width = int16_t(width);
  p.height = int16_t(height);
  p.bytesPerPixel = bytesPerPixel;
  p.bitsPerPixel = uint8_t(bytesPerPixel * 8);
  p.byteSize = width * height * bytesPerPixel;
  p.pixels = std::make_unique<uint8_t[]>(size_t(p.byteSize));
  for (int i = 0; i < p.byteSize; ++i) p.pixels[i] = uint8_t(fill + i);
  return p;
}

TgaImage placeholder() {
  TgaImage p;
  makePlaceholder(p);
  return p;
}

std::vector<uint8_t> pixelAt(const TgaImage& p, int x, int y) {
  const uint8_t* q = p.pixels.get() + (size_t(y) * p.width + x) * 4;
  return {q[0], q[1], q[2], q[3]};
}

bool prepare(TgaImage& mask, TgaImage& image, std::string* printed = nullptr) {
  ::testing::internal::CaptureStdout();
  const bool ok = preparePictures(mask, "mask.tga", image, "image.tga");
  const std::string out = ::testing::internal::GetCapturedStdout();
  if (printed) *printed = out;
  return ok;
}

TEST(Pictures, TwentyFourBitPictureGetsOpaqueAlpha) {
  TgaImage mask = loaded(3, 2, 4, 0), image = loaded(3, 2, 3, 10);
  ASSERT_TRUE(prepare(mask, image));
  EXPECT_EQ(image.bytesPerPixel, 4);
  EXPECT_EQ(image.byteSize, 24);
  EXPECT_EQ(pixelAt(image, 1, 1), (std::vector<uint8_t>{22, 23, 24, 255}));
  EXPECT_EQ(pixelAt(mask, 2, 0), (std::vector<uint8_t>{8, 9, 10, 11}));  // 32-bit kept as is
}

TEST(Pictures, OneBytePictureBecomesOpaqueGrey) {
  TgaImage mask = loaded(2, 1, 1, 50), image = loaded(2, 1, 4, 0);
  ASSERT_TRUE(prepare(mask, image));
  EXPECT_EQ(pixelAt(mask, 1, 0), (std::vector<uint8_t>{51, 51, 51, 255}));
}

TEST(Pictures, MissingMaskIsCheckerboardOfImageSize) {
  TgaImage mask = placeholder(), image = loaded(40, 20, 4, 0);
  ASSERT_TRUE(prepare(mask, image));
  EXPECT_EQ(mask.width, 40);
  EXPECT_EQ(mask.height, 20);
  EXPECT_EQ(pixelAt(mask, 15, 0), (std::vector<uint8_t>{255, 255, 255, 255}));
  EXPECT_EQ(pixelAt(mask, 16, 0), (std::vector<uint8_t>{0, 0, 0, 255}));
  EXPECT_EQ(pixelAt(mask, 16, 16), (std::vector<uint8_t>{255, 255, 255, 255}));
}

TEST(Pictures, MissingImageIsCheckerboardOfMaskSize) {
  TgaImage mask = loaded(7, 300, 3, 0), image = placeholder();
  ASSERT_TRUE(prepare(mask, image));
  EXPECT_EQ(image.width, 7);
  EXPECT_EQ(image.height, 300);
  EXPECT_EQ(image.byteSize, 7 * 300 * 4);
}

TEST(Pictures, BothMissingGiveTwoPlaceholders) {
  TgaImage mask = placeholder(), image = placeholder();
  ASSERT_TRUE(prepare(mask, image));
  EXPECT_EQ(mask.width * mask.height, 128 * 128);
  EXPECT_EQ(image.byteSize, 128 * 128 * 4);
}

TEST(Pictures, UnusableDepthIsReplacedWithMessage) {
  TgaImage mask = loaded(4, 4, 4, 0), image = loaded(4, 4, 2, 0);
  std::string printed;
  ASSERT_TRUE(prepare(mask, image, &printed));
  EXPECT_EQ(printed, "Unsupported pixel depth - image.tga\n");
  EXPECT_EQ(image.byteSize, 4 * 4 * 4);
}

TEST(Pictures, DifferentSizesAreRefusedNamingBoth) {
  TgaImage mask = loaded(640, 480, 4, 0), image = loaded(320, 240, 4, 0);
  std::string printed;
  EXPECT_FALSE(prepare(mask, image, &printed));
  EXPECT_EQ(printed, "Picture sizes differ: mask.tga is 640x480, image.tga is 320x240. exiting...\n");
}

}  // namespace
