// Block codec fast paths against the plain reference codec: the compressor's
// output byte for byte (repeated copies emitted as a whole), the decoder's
// answer and bytes (groups decoded without per-item checks, repeated-copy
// groups, pattern copies) on intact, cut and damaged blocks; the compressor's
// byte scans against plain loops.
#include "app/lz_codec.h"
#include "app/lz_compare.h"
#include "tests/app/lz_reference.h"
#include "tools/demo_scene.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes compress(const Bytes& in) {
  Bytes out(lzCompressBound(in.size()));
  out.resize(lzCompress(out.data(), in.data(), uint32_t(in.size())));
  return out;
}

// The fast decoder and the reference agree on the answer and, when the block
// decodes, on the bytes. The destination is exactly `capacity` bytes long, so
// the sanitizer build sees any store past it.
void expectSameDecoding(const Bytes& block, size_t capacity, const std::string& what) {
  int32_t expected = 0;
  const Bytes reference = lz_reference::decompress(block, capacity, &expected);
  Bytes dst(capacity);
  const int32_t got = lzDecompress(block.data(), uint32_t(block.size()), dst.data(), capacity);
  ASSERT_EQ(got, expected) << what;
  if (got >= 0) {
    ASSERT_EQ(Bytes(dst.begin(), dst.begin() + got), reference) << what;
  }
}

void expectSameAsReference(const Bytes& in, const std::string& what) {
  const Bytes block = compress(in);
  ASSERT_EQ(block, lz_reference::compress(in)) << what;
  expectSameDecoding(block, in.size(), what);
}

// Inputs built from stretches that pictures have: noise, runs, and patterns
// of many periods (multiples of 18 among them, the repeated-copy case), with
// the same patterns coming back so later items find earlier stretches.
Bytes stretches(std::mt19937& rng, size_t n) {
  static constexpr uint32_t kPeriods[] = {1, 2, 3, 4, 5, 7, 8, 12, 16, 17, 18, 19, 24,
                                          36, 54, 72, 90, 144, 162, 180, 2560};
  std::vector<Bytes> patterns;
  for (uint32_t period : kPeriods) {
    Bytes pattern(period);
    for (auto& b : pattern) b = uint8_t(rng() % 5 == 0 ? rng() : rng() % 4);
    patterns.push_back(pattern);
  }
  Bytes in;
  while (in.size() < n) {
    const size_t len = 1 + rng() % 600;
    const Bytes& pattern = patterns[rng() % patterns.size()];
    const uint32_t kind = rng() % 8, phase = rng();
    for (size_t i = 0; i < len; ++i) {
      if (kind == 0) {
        in.push_back(uint8_t(rng()));
      } else {
        uint8_t b = pattern[(phase + i) % pattern.size()];
        if (kind == 1 && rng() % 97 == 0) b ^= 1;  // a stretch with rare flaws
        in.push_back(b);
      }
    }
  }
  in.resize(n);
  return in;
}

TEST(CodecFastPaths, CompressorMatchesReferenceOnStretchesOfManySizes) {
  std::mt19937 rng(2024);
  for (int i = 0; i < 400; ++i) {
    const size_t n = i < 200 ? rng() % 400 : rng() % 20000;
    expectSameAsReference(stretches(rng, n), "case " + std::to_string(i));
  }
}

// A periodic stretch behind every amount of lead-in, so that its repeated
// copies start at every place in a group and end at every distance from the
// input's end.
TEST(CodecFastPaths, RepeatedCopiesFromEveryGroupPhase) {
  for (uint32_t period : {4u, 6u, 9u, 18u, 36u, 48u, 144u, 160u})
    for (size_t lead = 0; lead < 40; ++lead)
      for (size_t tail : {0u, 1u, 17u, 18u, 19u, 300u}) {
        std::mt19937 rng(unsigned(period * 1000 + lead));
        Bytes in(lead);
        for (auto& b : in) b = uint8_t(rng());
        const size_t start = in.size();
        for (size_t i = 0; i < 40 * 18 + tail; ++i)
          in.push_back(i < period ? uint8_t(rng()) : in[start + i - period]);
        expectSameAsReference(in, "period " + std::to_string(period) + " lead " +
                                      std::to_string(lead) + " tail " + std::to_string(tail));
      }
}

// Periods with hash collisions inside one period, runs inside a period and a
// period that changes one byte: the cases where an item in a repeating
// stretch is not the same copy as the one a period earlier.
TEST(CodecFastPaths, RepeatedStretchesThatBreakTheRepetition) {
  std::mt19937 rng(77);
  for (int i = 0; i < 3000; ++i) {
    const uint32_t period = 18 * (1 + rng() % 9);
    Bytes unit(period);
    for (auto& b : unit) b = uint8_t(rng() % (i % 3 == 0 ? 2 : 256));
    if (i % 4 == 1) std::fill(unit.begin(), unit.begin() + 16 + rng() % 2, unit[0]);
    Bytes in;
    const size_t repeats = 1 + rng() % 12;
    for (size_t r = 0; r < repeats; ++r) in.insert(in.end(), unit.begin(), unit.end());
    if (i % 2) in[rng() % in.size()] ^= uint8_t(1 + rng() % 255);
    expectSameAsReference(in, "case " + std::to_string(i));
  }
}

// A repeating stretch that ends `tail` bytes into its last copy, followed by
// the input's end, by new bytes, or by a run whose first `tail` bytes still
// repeat the stretch: the item after the repetition, which the compressor
// takes from the stretch's scan, in every case the scan can leave.
TEST(CodecFastPaths, ItemAfterARepeatedStretch) {
  enum class After { End, NewBytes, Run };
  for (uint32_t period : {18u, 36u, 54u, 144u})
    for (uint32_t tail = 0; tail < 18; ++tail)
      for (After after : {After::End, After::NewBytes, After::Run}) {
        std::mt19937 rng(period * 100 + tail);
        Bytes unit(period);
        for (auto& b : unit) b = uint8_t(rng());
        // For the run case the unit starts with `tail` equal bytes, so a run
        // of that byte can begin where the repetition breaks.
        std::fill(unit.begin(), unit.begin() + tail, uint8_t(7));
        if (tail < period) unit[tail] = 8;
        Bytes in;
        for (int r = 0; r < 6; ++r) in.insert(in.end(), unit.begin(), unit.end());
        in.insert(in.end(), unit.begin(), unit.begin() + tail);
        if (after == After::NewBytes) {
          in.push_back(uint8_t(unit[tail] + 1));
          for (int i = 0; i < 40; ++i) in.push_back(uint8_t(rng()));
        } else if (after == After::Run) {
          in.insert(in.end(), 20, uint8_t(7));
        }
        expectSameAsReference(in, "period " + std::to_string(period) + " tail " +
                                      std::to_string(tail) + " after " +
                                      std::to_string(int(after)));
      }
}

// A periodic stretch whose first items find their partners elsewhere: in an
// earlier copy of the same pattern that breaks off after `agree` bytes (so
// the first items are 18-byte copies at far offsets, shorter copies, or
// literals), before the stretch settles on copies a whole number of items
// back. The pattern's bytes are random, of two values only (so the items of
// one period share hashes), or hold a run of 16 or 17 bytes (so an item
// within the first period can be a run). After the stretch comes the
// earlier text again, so later items read the table entries it left.
TEST(CodecFastPaths, StretchWhoseFirstItemsMatchElsewhere) {
  enum class Unit { Random, TwoValues, WithRun };
  for (Unit kind : {Unit::Random, Unit::TwoValues, Unit::WithRun})
    for (uint32_t period : {3u, 4u, 6u, 8u, 12u, 16u, 20u, 36u, 54u})
      for (uint32_t agree : {0u, 3u, 17u, 18u, 19u, 25u, 40u, 300u})
        for (uint32_t shift = 0; shift < 6; ++shift) {
          std::mt19937 rng(period * 7919 + agree * 31 + shift + uint32_t(kind) * 100003);
          Bytes unit(period);
          for (auto& b : unit) b = uint8_t(kind == Unit::TwoValues ? rng() % 2 : rng());
          if (kind == Unit::WithRun && period >= 36)
            std::fill(unit.begin() + 18, unit.begin() + 34 + shift % 2, uint8_t(5));
          const auto pattern = [&](size_t i) { return unit[(i + shift * 3) % period]; };
          Bytes in(11 + shift);
          for (auto& b : in) b = uint8_t(rng());
          const size_t earlier = in.size();
          for (size_t i = 0; i < agree; ++i) in.push_back(pattern(i));
          Bytes between(40 + rng() % 300);
          for (auto& x : between) x = uint8_t(rng());
          in.push_back(uint8_t(pattern(agree) + 1));
          in.insert(in.end(), between.begin(), between.end());
          for (size_t i = 0; i < 30 * 18 + shift * 7; ++i) in.push_back(pattern(i));
          const Bytes again(in.begin() + long(earlier), in.begin() + long(earlier + agree));
          in.insert(in.end(), again.begin(), again.end());  // (not a range of `in` itself)
          in.insert(in.end(), between.begin(), between.end());
          expectSameAsReference(in, "kind " + std::to_string(int(kind)) + " period " +
                                        std::to_string(period) + " agree " +
                                        std::to_string(agree) + " shift " + std::to_string(shift));
        }
}

// A stretch that starts with an 18-byte copy from far back, cut at every
// length from before its first copy to well past its first period: the
// input ends while the period is looked for, while the first items are
// checked, inside the scan and inside the partial copy that ends it.
TEST(CodecFastPaths, StretchCutAtEveryPlace) {
  for (uint32_t period : {4u, 12u, 36u, 54u, 126u, 144u}) {
    std::mt19937 rng(period);
    Bytes unit(period);
    for (auto& b : unit) b = uint8_t(rng());
    Bytes full(23);
    for (auto& b : full) b = uint8_t(rng());
    for (uint32_t i = 0; i < 40; ++i) full.push_back(unit[i % period]);  // the far partner
    for (uint32_t i = 0; i < 100; ++i) full.push_back(uint8_t(rng()));
    const size_t start = full.size();
    for (uint32_t i = 0; i < 4 * 18 + 3 * period + 40; ++i) full.push_back(unit[i % period]);
    for (size_t cut = start; cut <= full.size(); ++cut)
      expectSameAsReference(Bytes(full.begin(), full.begin() + long(cut)),
                            "period " + std::to_string(period) + " cut " +
                                std::to_string(cut - start));
  }
}

// The table entries a repeating stretch leaves: each phase's entry is the
// stretch's last item of that phase, which is the partial copy that ends it
// when there is one. After the stretch and a break, its last period comes
// back, each piece shifted by a few bytes or not at all, so every later
// item reads one of those entries and copies from where it points.
TEST(CodecFastPaths, TableEntriesAfterAStretch) {
  for (uint32_t stride : {1u, 2u, 3u, 8u})
    for (uint32_t items = 1; items < 40; items += 3)
      for (uint32_t tail = 0; tail < 18; ++tail) {
        const uint32_t period = stride * 18;
        std::mt19937 rng(stride * 10000 + items * 100 + tail);
        Bytes unit(period);
        for (auto& b : unit) b = uint8_t(rng());
        Bytes in(7);
        for (auto& b : in) b = uint8_t(rng());
        const size_t start = in.size();
        for (uint32_t i = 0; i < period + items * 18 + tail; ++i) in.push_back(unit[i % period]);
        const size_t end = in.size();
        in.push_back(uint8_t(unit[(end - start) % period] + 1));  // the stretch breaks
        for (int i = 0; i < 30; ++i) in.push_back(uint8_t(rng()));
        for (size_t shift : {0u, 1u, 5u})
          for (size_t from = end - period - tail - 18; from < end; from += 9) {
            const auto first = in.begin() + long(from + shift);
            const Bytes piece(first, first + 20);
            in.insert(in.end(), piece.begin(), piece.end());
            in.push_back(uint8_t(rng()));
          }
        expectSameAsReference(in, "stride " + std::to_string(stride) + " items " +
                                      std::to_string(items) + " tail " + std::to_string(tail));
      }
}

// Runs of 14 to 18 equal bytes (around the shortest run item) at every
// distance from the input's end, where the 16-byte run test has no byte
// beyond the run to read, and preceded by literals or a repeated stretch.
TEST(CodecFastPaths, RunsNearTheInputsEnd) {
  for (uint32_t runLength = 14; runLength <= 18; ++runLength)
    for (uint32_t tailBytes = 0; tailBytes <= 3; ++tailBytes)
      for (bool afterStretch : {false, true}) {
        std::mt19937 rng(runLength * 10 + tailBytes);
        Bytes in(afterStretch ? 36 : 5);
        for (auto& b : in) b = uint8_t(rng());
        if (afterStretch)
          for (int i = 0; i < 200; ++i) in.push_back(in[in.size() - 36]);
        in.insert(in.end(), runLength, uint8_t(0xAB));
        for (uint32_t i = 0; i < tailBytes; ++i) in.push_back(uint8_t(i * 3 + 1));
        expectSameAsReference(in, "run " + std::to_string(runLength) + " tail bytes " +
                                      std::to_string(tailBytes) +
                                      (afterStretch ? " after stretch" : ""));
      }
}

// The byte scans against a plain loop: equal stretches of every length
// around the 16-, 32- and 64-byte steps, cut by a difference or by the limit.
TEST(CodecFastPaths, ScansFindTheFirstDifference) {
  const auto plain = [](const uint8_t* a, const uint8_t* b, uint32_t limit) {
    uint32_t len = 0;
    while (len < limit && a[len] == b[len]) ++len;
    return len;
  };
  std::mt19937 rng(3);
  Bytes a(400);
  for (auto& x : a) x = uint8_t(rng());
  for (uint32_t differAt = 0; differAt < 300; ++differAt)
    for (uint32_t limit : {differAt, differAt + 1, differAt + 17, differAt + 70, 300u}) {
      Bytes b = a;
      b[differAt] ^= 0x40;
      const uint32_t expected = plain(a.data(), b.data(), limit);
      ASSERT_EQ(lz::commonLength(a.data(), b.data(), limit), expected)
          << "difference at " << differAt << " limit " << limit;
      if (lz::wideCompareAvailable()) {
        ASSERT_EQ(lz::commonLengthAvx2(a.data(), b.data(), limit), expected)
            << "wide, difference at " << differAt << " limit " << limit;
      }
    }
  for (uint32_t at = 0; at < 16; ++at) {
    Bytes b(a.begin(), a.begin() + 16);
    b[at] ^= 1;
    EXPECT_EQ(lz::firstDifference16(a.data(), b.data()), at);
  }
  EXPECT_EQ(lz::firstDifference16(a.data(), a.data()), 16u);
}

Bytes demoPicture() {
  demo_scene::Picture image, mask;
  demo_scene::draw(image, mask);
  const auto* bytes = reinterpret_cast<const uint8_t*>(image.pixels.data());
  return Bytes(bytes, bytes + image.pixels.size() * sizeof(demo_scene::Pixel));
}

TEST(CodecFastPaths, DemoPictureMatchesReference) { expectSameAsReference(demoPicture(), "demo"); }

// Every cut of a block that holds repeated-copy groups, pattern copies,
// literal groups and runs, decoded into exactly the decoded size and into a
// little less: the same answer as the reference each time.
TEST(CodecFastPaths, CutBlocksAndShortDestinations) {
  std::mt19937 rng(5);
  const Bytes in = stretches(rng, 3000);
  const Bytes block = compress(in);
  ASSERT_EQ(block[0], kLzCompressed);
  for (size_t cut = 0; cut <= block.size(); ++cut) {
    const Bytes prefix(block.begin(), block.begin() + cut);
    expectSameDecoding(prefix, in.size(), "cut " + std::to_string(cut));
  }
  for (size_t capacity = in.size() - 400; capacity <= in.size(); ++capacity)
    expectSameDecoding(block, capacity, "capacity " + std::to_string(capacity));
}

TEST(CodecFastPaths, DamagedBlocksDecodeAsTheReferenceDoes) {
  std::mt19937 rng(9);
  for (int i = 0; i < 300; ++i) {
    const Bytes in = stretches(rng, 200 + rng() % 3000);
    Bytes block = compress(in);
    for (int flips = 1 + i % 3; flips > 0; --flips)
      block[1 + rng() % (block.size() - 1)] ^= uint8_t(1 + rng() % 255);
    expectSameDecoding(block, in.size() + rng() % 64, "case " + std::to_string(i));
  }
}

constexpr uint32_t kCopyItem = 1u << 16;  // marks a copy word among literal bytes

// Builds a block by hand: `literals` literal bytes, then the given items,
// each a literal byte or a copy word marked with kCopyItem.
Bytes blockOf(size_t literals, const std::vector<uint32_t>& items) {
  std::vector<uint32_t> all(literals);
  for (size_t i = 0; i < literals; ++i) all[i] = 1 + i % 251;
  all.insert(all.end(), items.begin(), items.end());
  Bytes block{kLzCompressed};
  for (size_t g = 0; g < all.size(); g += 16) {
    uint32_t control = 0;
    Bytes body;
    for (size_t i = g; i < std::min(all.size(), g + 16); ++i) {
      if (!(all[i] & kCopyItem)) {
        body.push_back(uint8_t(all[i]));
      } else {
        control |= 0x8000u >> (i - g);
        body.push_back(uint8_t(all[i] >> 8));
        body.push_back(uint8_t(all[i]));
      }
    }
    block.push_back(uint8_t(control >> 8));
    block.push_back(uint8_t(control));
    block.insert(block.end(), body.begin(), body.end());
  }
  return block;
}

uint32_t copyWord(uint32_t offset, uint32_t len) { return kCopyItem | (offset * 16 + len - 3); }

// Overlapping and touching copies of every offset up to 40 (the pattern
// copies below 16, the copies made as 18 bytes from 16 on) and every length,
// far from both ends (fast path) and with the block and the destination
// ending right after them (careful path).
TEST(CodecFastPaths, CopiesOfEveryShortOffsetAndLength) {
  for (uint32_t offset = 1; offset <= 40; ++offset)
    for (uint32_t len = 3; len <= 18; ++len)
      for (size_t after : {0u, 100u}) {  // 100: the group is decoded on the fast path
        std::vector<uint32_t> items(2, copyWord(offset, len));
        items.insert(items.end(), after, 7);
        const Bytes block = blockOf(160, items);
        int32_t size = 0;
        lz_reference::decompress(block, 1 << 20, &size);
        for (size_t capacity : {size_t(size), size_t(size) + 1, size_t(size) + 400})
          expectSameDecoding(block, capacity,
                             "offset " + std::to_string(offset) + " len " + std::to_string(len));
      }
}

// Whole groups of one 18-byte copy word: the repeated-copy group path, alone,
// in a streak of groups, after a change of offset, and with an offset that
// reaches before the start of the output.
TEST(CodecFastPaths, GroupsOfOneRepeatedCopy) {
  struct Case {
    const char* name;
    size_t literals;
    std::vector<uint32_t> items;
  };
  const std::vector<uint32_t> group36(16, copyWord(36, 18)), group18(16, copyWord(18, 18));
  const auto join = [](std::initializer_list<std::vector<uint32_t>> parts) {
    std::vector<uint32_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };
  const std::vector<Case> cases = {
      {"OneGroup", 48, group36},
      {"StreakOfGroups", 48, join({group36, group36, group36, group36, group36})},
      {"OffsetChanges", 48, join({group36, group18, group36, group36})},
      {"LiteralBetween", 48, join({group36, {5}, std::vector<uint32_t>(15, 9), group36})},
      {"LongStreak", 48, join({group36, group36, group36, group36, group36, group36, group36,
                               group36, group36, group36})},
      {"OffsetBeforeStart", 32, group36},
      {"NoOutputYet", 0, group18},
  };
  const std::vector<uint32_t> trailing(48, 3);  // keeps the groups before it on the fast path
  for (const Case& c : cases) {
    const Bytes block = blockOf(c.literals, join({c.items, trailing}));
    int32_t size = 0;
    lz_reference::decompress(block, 1 << 20, &size);
    const size_t capacity = size < 0 ? 4096 : size_t(size);
    for (size_t room : {0u, 1u, 64u}) expectSameDecoding(block, capacity + room, c.name);
  }
}

// Streaks of whole groups of one 18-byte copy, which the decoder takes one
// after another in one loop: offsets around 18, 32 and 36, around a group's
// output (288) and past the farthest a streak reads from (1024), streaks
// from one group to long ones, with the block ending right after the streak
// or going on with items. Each block is decoded into exactly its size, into
// less (the room running out at a group boundary and just inside a group),
// and cut at every byte of its last groups.
TEST(CodecFastPaths, StreaksOfRepeatedGroups) {
  const auto group = [](uint32_t offset) { return std::vector<uint32_t>(16, copyWord(offset, 18)); };
  for (uint32_t offset : {18u, 20u, 31u, 32u, 33u, 34u, 35u, 36u, 54u, 270u, 287u, 288u, 289u,
                          1024u, 1030u, 4095u})
    for (size_t groups : {1u, 2u, 3u, 5u, 12u})
      for (bool itemsAfter : {false, true}) {
        std::vector<uint32_t> items;
        for (size_t g = 0; g < groups; ++g) {
          const std::vector<uint32_t> one = group(offset);
          items.insert(items.end(), one.begin(), one.end());
        }
        if (itemsAfter) items.insert(items.end(), 40, 3);
        const Bytes block = blockOf(offset, items);
        int32_t size = 0;
        lz_reference::decompress(block, 1 << 20, &size);
        ASSERT_GT(size, 0);
        const std::string what = "offset " + std::to_string(offset) + " groups " +
                                 std::to_string(groups) + (itemsAfter ? " items after" : "");
        for (size_t less : {0u, 1u, 17u, 18u, 287u, 288u, 289u, 600u})
          if (less < size_t(size)) expectSameDecoding(block, size_t(size) - less, what);
        for (size_t cut = block.size() - std::min<size_t>(block.size(), 80); cut < block.size(); ++cut)
          expectSameDecoding(Bytes(block.begin(), block.begin() + long(cut)), size_t(size),
                             what + " cut " + std::to_string(cut));
      }
}

// A streak of repeated-copy groups whose third group is damaged or differs:
// one copy word with another offset, another length, an offset before the
// output's start or turned into a run, or a control word that makes one item
// a literal. The streak loop must stop there and leave the group to the
// item decoder, which decodes or rejects it as the reference does.
TEST(CodecFastPaths, StreakBrokenInsideAGroup) {
  // Three groups of literals, then five groups of copies.
  const Bytes intact = blockOf(48, std::vector<uint32_t>(5 * 16, copyWord(36, 18)));
  const size_t third = 1 + 3 * (2 + 16) + 2 * (2 + 16 * 2);  // its control word
  ASSERT_EQ(intact[third], 0xFF);
  ASSERT_EQ(intact[third + 1], 0xFF);
  struct Change {
    const char* name;
    size_t at;  // bytes after the third group's control word
    uint8_t value;
  };
  const Change changes[] = {
      {"OtherOffset", 2 + 2 * 7, 0x03},     // 0x03F: offset 48, length 18
      {"OtherLength", 2 + 2 * 15 + 1, 0x4E},  // the last copy 17 bytes long
      {"OffsetBeforeStart", 2 + 2 * 3, 0xFF}, // offset 4095
      {"Run", 2 + 2 * 9, 0x00},             // offset 0: a run item cut short
      {"LiteralBit", 1, 0xFE},              // the last item a literal
  };
  for (const Change& change : changes) {
    Bytes block = intact;
    block[third + change.at] = change.value;
    int32_t size = 0;
    lz_reference::decompress(block, 1 << 20, &size);
    const size_t capacity = size < 0 ? 4096 : size_t(size);
    for (size_t room : {0u, 1u, 300u}) expectSameDecoding(block, capacity + room, change.name);
  }
}

}  // namespace
