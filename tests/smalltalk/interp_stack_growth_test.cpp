// Process stack growth: geometric, so that deep recursion copies the stack a
// logarithmic number of times, and bounded, so that runaway recursion stops
// with a fatal message instead of exhausting memory.
#include <gtest/gtest.h>

#include <tuple>

#include "interp_test_support.h"

namespace {

// capacity of the caller's stack, caller temporaries, word count after the call.
using GrowthCase = std::tuple<uint32_t, int32_t, uint32_t>;

class GeometricGrowth : public InterpWorld, public ::testing::WithParamInterface<GrowthCase> {};

TEST_P(GeometricGrowth, GrowsByTheLargestOfNeed128AndHalfTheCapacity) {
  const auto [capacity, callerTemporaries, expectedWords] = GetParam();
  ObjectRef cls = globalValue("UndefinedObject");
  // The callee needs 4 temporaries + 6 stack words + 6 frame words = 16.
  // 1 + 1: a send, so that the method is activated rather than answered by its shape.
  install(cls, "deep", makeMethod({{0x51, 0x51, 0xB0, kStackReturn}, {}, 4, 6}));
  // push nil; mark 1; send #deep; return the answer.
  ObjectRef caller =
      makeMethod({{0x55, 0x81, 0x90, kStackReturn}, {intern("deep")}, callerTemporaries});
  ObjectRef process = processFor(caller, nilObj, {}, capacity);
  EXPECT_EQ(runToEnd(process).word, smallInt(2).word);
  EXPECT_EQ(wordCount(wordAt(process, kProcessStack)), expectedWords);
}

// Depth at activation = 6 + temporaries + 1 (the receiver pushed).
INSTANTIATE_TEST_SUITE_P(
    Interp, GeometricGrowth,
    ::testing::Values(GrowthCase{50, 33, 178},      // small stack: 128 words
                      GrowthCase{200, 180, 328},    // half of 200 is under 128
                      GrowthCase{1000, 980, 1500},  // half the capacity
                      GrowthCase{1000, 977, 1000},  // depth 984 + 16 fits exactly
                      GrowthCase{4000, 3980, 6000}));

using StackBound = InterpWorld;

// UndefinedObject>>down  ^self down
ObjectRef installRunawayRecursion() {
  ObjectRef cls = globalValue("UndefinedObject");
  return install(cls, "down", makeMethod({{0x20, 0x81, 0x90, kStackReturn}, {intern("down")}}));
}

TEST_F(StackBound, RunawayRecursionStopsWithTwoLinesAndStatusOne) {
  ObjectRef down = installRunawayRecursion();
  ObjectRef process = processFor(down, nilObj);
  EXPECT_EXIT(runToEnd(process, nullptr, 1 << 30), ::testing::ExitedWithCode(1),
              "^process stack overflow\n[0-9]+\n$");
}

TEST_F(StackBound, DeepRecursionBelowTheBoundRuns) {
  // 100000 nested activations of #down (about 600000 words), stopped by the
  // slice budget rather than by the bound; the stack then holds every frame.
  ObjectRef down = installRunawayRecursion();
  ObjectRef process = processFor(down, nilObj);
  constexpr int32_t kSends = 100000;
  // Each pass runs push self, mark, send: three steps.
  EXPECT_TRUE(execute(process, 3 * kSends + 1));
  const uint32_t words = wordCount(wordAt(process, kProcessStack));
  EXPECT_GE(words, processDepth(process));
  EXPECT_LE(words, kMaxProcessStackWords);
  EXPECT_GE(processDepth(process), uint32_t{6} * kSends);
}

}  // namespace
