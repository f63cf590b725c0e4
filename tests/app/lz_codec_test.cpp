// Block codec: the documented blocks byte for byte, round trips on random and
// picture data of many sizes, and damaged blocks rejected without overruns.
#include "app/lz_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes compress(const Bytes& in) {
  Bytes out(lzCompressBound(in.size()));
  out.resize(lzCompress(out.data(), in.data(), uint32_t(in.size())));
  return out;
}

// Decodes into a destination of exactly `capacity` bytes (so ASan sees any overrun).
int32_t decompress(const Bytes& block, size_t capacity, Bytes* out = nullptr) {
  std::vector<uint8_t> dst(capacity);
  const int32_t n = lzDecompress(block.data(), uint32_t(block.size()), dst.data(), capacity);
  if (out && n >= 0) *out = Bytes(dst.begin(), dst.begin() + n);
  return n;
}

struct KnownBlock {
  const char* name;
  Bytes input;
  Bytes block;
};

Bytes repeated(size_t n, uint8_t v) { return Bytes(n, v); }

Bytes sequence(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i);
  return b;
}

Bytes stored(const Bytes& in) {
  Bytes b{kLzStored};
  b.insert(b.end(), in.begin(), in.end());
  return b;
}

class CodecKnownBlocks : public ::testing::TestWithParam<KnownBlock> {};

TEST_P(CodecKnownBlocks, CompressesToTheBlockAndBack) {
  const KnownBlock& k = GetParam();
  EXPECT_EQ(compress(k.input), k.block);
  Bytes back;
  EXPECT_EQ(decompress(k.block, k.input.size(), &back), int32_t(k.input.size()));
  EXPECT_EQ(back, k.input);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, CodecKnownBlocks,
    ::testing::Values(
        KnownBlock{"Empty", {}, {kLzStored}},
        KnownBlock{"RunOf20", repeated(20, 7), {0x40, 0x80, 0x00, 0x00, 0x00, 0x04, 0x07}},
        KnownBlock{"FifteenIsLiteralAndOverlappingCopy", repeated(15, 9),
                   {0x40, 0x40, 0x00, 0x09, 0x00, 0x1B}},
        KnownBlock{"RunOf5000IsTwoRuns", repeated(5000, 1),
                   {0x40, 0xC0, 0x00, 0x00, 0x0F, 0xEF, 0x01, 0x00, 0x03, 0x79, 0x01}},
        KnownBlock{"DistinctBytesAreStored", sequence(256), stored(sequence(256))}),
    [](const auto& info) { return info.param.name; });

TEST(Codec, SeventeenthItemStartsANewGroup) {
  // 16 distinct literals then a run of 20: the run is the 17th item.
  Bytes in = sequence(16);
  const Bytes run = repeated(20, 0xAA);
  in.insert(in.end(), run.begin(), run.end());
  Bytes expected{0x40, 0x00, 0x00};
  expected.insert(expected.end(), in.begin(), in.begin() + 16);
  expected.insert(expected.end(), {0x80, 0x00, 0x00, 0x00, 0x04, 0xAA});
  EXPECT_EQ(compress(in), expected);
}

TEST(Codec, BlockIsNeverLongerThanTheStoredForm) {
  // Short inputs of three byte values sit near the break-even point.
  for (size_t n = 1; n < 64; ++n) {
    std::mt19937 rng{unsigned(n)};
    Bytes in(n);
    for (auto& b : in) b = uint8_t(rng() % 3);
    const Bytes block = compress(in);
    EXPECT_LE(block.size(), n + 1);
    if (block[0] == kLzStored) {
      EXPECT_EQ(block.size(), n + 1);
    }
  }
}

// Round trips: random bytes of several entropies and sizes around group and
// window boundaries.
class CodecRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(CodecRoundTrip, RandomDataOfManySizes) {
  const int alphabet = GetParam();
  std::mt19937 rng(1234u + unsigned(alphabet));
  for (size_t n : {1, 2, 3, 15, 16, 17, 18, 19, 33, 255, 4095, 4096, 4097, 4111, 10000, 70000}) {
    Bytes in(n);
    for (auto& b : in) b = uint8_t(rng() % alphabet);
    const Bytes block = compress(in);
    EXPECT_LE(block.size(), lzCompressBound(n));
    Bytes back;
    ASSERT_EQ(decompress(block, n, &back), int32_t(n)) << "n=" << n;
    EXPECT_EQ(back, in) << "n=" << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Alphabets, CodecRoundTrip, ::testing::Values(1, 2, 4, 16, 256));

// A picture-like block: flat areas, gradients, noise and repeated 4-byte pixels.
Bytes picture(int width, int height, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes p(size_t(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* q = &p[(size_t(y) * width + x) * 4];
      const bool shape = (x / 23 + y / 17) % 3 == 0;
      q[0] = shape ? 200 : uint8_t(x * 255 / width);
      q[1] = shape ? 40 : uint8_t(y * 255 / height);
      q[2] = uint8_t(y > height / 2 ? rng() % 8 : 90);
      q[3] = 255;
    }
  return p;
}

TEST(Codec, RoundTripsPictures) {
  for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {64, 64}, {640, 480}, {33, 1000}}) {
    const Bytes in = picture(w, h, unsigned(w * h));
    const Bytes block = compress(in);
    Bytes back;
    ASSERT_EQ(decompress(block, in.size(), &back), int32_t(in.size()));
    EXPECT_EQ(back, in);
    if (w * h >= 4096) {
      EXPECT_LT(block.size(), in.size() * 3 / 4) << w << "x" << h;
    }
  }
}

struct Damaged {
  const char* name;
  Bytes block;
  size_t capacity;
};

class CodecDamaged : public ::testing::TestWithParam<Damaged> {};

TEST_P(CodecDamaged, IsRejected) {
  EXPECT_EQ(decompress(GetParam().block, GetParam().capacity), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, CodecDamaged,
    ::testing::Values(Damaged{"EmptyBlock", {}, 16},
                      Damaged{"OffsetBeforeStart", {0x40, 0x80, 0x00, 0x01, 0x00}, 64},
                      Damaged{"OffsetPastOutput", {0x40, 0x40, 0x00, 0x09, 0x00, 0x2B}, 64},
                      Damaged{"CopyCutOff", {0x40, 0x40, 0x00, 0x09, 0x00}, 64},
                      Damaged{"RunCutOff", {0x40, 0x80, 0x00, 0x00, 0x00, 0x04}, 64},
                      Damaged{"ControlWordCutOff", {0x40, 0x00}, 64},
                      Damaged{"RunBeyondCapacity", {0x40, 0x80, 0x00, 0x00, 0x00, 0x04, 0x07}, 19},
                      Damaged{"CopyBeyondCapacity", {0x40, 0x40, 0x00, 0x09, 0x00, 0x1B}, 14},
                      Damaged{"LiteralBeyondCapacity", {0x40, 0x00, 0x00, 1, 2, 3}, 2},
                      Damaged{"StoredBeyondCapacity", {kLzStored, 1, 2, 3}, 2}),
    [](const auto& info) { return info.param.name; });

TEST(Codec, EveryCutOrFlippedBlockDecodesSafely) {
  const Bytes in = picture(40, 30, 7);
  const Bytes block = compress(in);
  for (size_t cut = 0; cut < block.size(); cut += 7) {
    const Bytes prefix(block.begin(), block.begin() + cut);
    EXPECT_LE(decompress(prefix, in.size()), int32_t(in.size()));
  }
  std::mt19937 rng(99);
  for (int i = 0; i < 200; ++i) {
    Bytes damaged = block;
    damaged[1 + rng() % (damaged.size() - 1)] ^= uint8_t(1 + rng() % 255);
    EXPECT_LE(decompress(damaged, in.size()), int32_t(in.size()));
  }
}

}  // namespace

#include "app/viewer.h"

namespace {

TEST(CodecSelfTest, DecodesOverThePixelsAndPrintsTheCodecLine) {
  Bytes pixels(20, 7);
  pixels.push_back(99);  // beyond the tested size: left alone
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(codecSelfTest(pixels.data(), 20));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "size: 20, compressed: 7, ratio: 35.0%\n");
  Bytes expected(20, 7);
  expected.push_back(99);
  EXPECT_EQ(pixels, expected);
}

}  // namespace

namespace {

// Every offset that can overlap a copy (and some that cannot), every copy
// length, and every amount of room left after the copy up to past the word
// copies' slack: the decoded bytes equal the byte-by-byte repetition, and
// nothing is written past the capacity (the destination is exactly that large).
TEST(Codec, OverlappingCopiesNearTheDestinationEnd) {
  constexpr uint32_t kMaxLiterals = 15;  // the literals and the copy share one group
  for (uint32_t offset = 1; offset <= kMaxLiterals; ++offset)
    for (uint32_t len = 3; len <= 18; ++len)
      for (size_t room = 0; room <= 12; ++room) {
        const uint32_t control = 1u << (15 - offset);  // `offset` literals, then the copy
        Bytes block{kLzCompressed, uint8_t(control >> 8), uint8_t(control)};
        Bytes expected;
        for (uint32_t i = 0; i < offset; ++i) expected.push_back(uint8_t(7 * i + 1));
        block.insert(block.end(), expected.begin(), expected.end());
        const uint32_t word = offset * 16 + len - 3;
        block.push_back(uint8_t(word >> 8));
        block.push_back(uint8_t(word));
        for (uint32_t i = 0; i < len; ++i) expected.push_back(expected[expected.size() - offset]);
        Bytes out;
        ASSERT_EQ(decompress(block, expected.size() + room, &out), int32_t(expected.size()))
            << "offset " << offset << " len " << len << " room " << room;
        EXPECT_EQ(out, expected) << "offset " << offset << " len " << len << " room " << room;
      }
}

}  // namespace
