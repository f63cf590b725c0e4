#include <cmath>

#include "prim_test_support.h"

namespace {

struct IntCase {
  int number;
  int32_t a, b;
  bool fails;
  int32_t expected;
};

// The integer shortcut's edge cases, the shift and the scramble's range.
const IntCase kIntCases[] = {
    {60, 1073741823, 1, true, 0},      {60, -1073741824, -1, true, 0},
    {60, 3, 4, false, 7},              {68, 65536, 16384, true, 0},
    {69, 7, -2, false, -3},            {70, 7, -2, false, 1},
    {70, -7, 2, false, -1},            {69, 5, 0, true, 0},
    {70, 5, 0, true, 0},               {69, -1073741824, -1, true, 0},
    {79, 1, 30, false, -1073741824},   {79, -8, -1, false, -4},
    {79, 1, 33, false, 2},             {79, 5, 32, false, 5},
    {79, -1, -31, false, -1},          {79, 1073741823, 1, false, -2},
    {79, 1, -1073741824, false, 1},    {79, -1073741824, -1, false, -536870912},
};

class IntegerPrims : public PrimWorld, public ::testing::WithParamInterface<IntCase> {};

TEST_P(IntegerPrims, ResultOrFailure) {
  const IntCase& c = GetParam();
  ObjectRef r = prim(c.number, {num(c.a), num(c.b)});
  if (c.fails) {
    EXPECT_EQ(r, nilObj);
  } else {
    ASSERT_TRUE(r.isValue());
    EXPECT_EQ(intOf(r), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, IntegerPrims, ::testing::ValuesIn(kIntCases));

TEST_F(PrimWorld, ShiftAndScrambleRejectNonIntegers) {
  EXPECT_EQ(prim(79, {num(1), nilObj}), nilObj);
  EXPECT_EQ(prim(79, {str("a"), num(1)}), nilObj);
  EXPECT_EQ(prim(73, {str("a")}), nilObj);
}

// The scramble written out on 64-bit integers as an independent check.
uint32_t referenceScramble(int32_t value) {
  auto sar = [](uint32_t x, int n) { return static_cast<uint32_t>(static_cast<int64_t>(static_cast<int32_t>(x)) >> n); };
  uint32_t x = static_cast<uint32_t>(value);
  uint32_t t = ~x;
  x += sar(t, 22) | (t << 10);
  x += sar(x, 26) | (x << 6);
  x -= sar(x, 16) | (x << 16);
  return x & 0xFFFF;
}

TEST_F(PrimWorld, ScrambleStaysInSixteenBits) {
  for (int32_t v : {0, 1, -1, 12345, -1073741824, 1073741823}) {
    ObjectRef r = prim(73, {num(v)});
    ASSERT_TRUE(r.isValue());
    EXPECT_EQ(static_cast<uint32_t>(intOf(r)), referenceScramble(v)) << v;
  }
  EXPECT_EQ(prim(73, {num(0)}), prim(73, {num(0)}));
}

ObjectRef flt(double v) { return newFloat(v); }
double dbl(ObjectRef f) { return floatValue(f); }

TEST_F(PrimWorld, FloatArithmeticAndComparison) {
  EXPECT_DOUBLE_EQ(dbl(prim(110, {flt(1.5), flt(2.25)})), 3.75);
  EXPECT_DOUBLE_EQ(dbl(prim(111, {flt(1.5), flt(2.25)})), -0.75);
  EXPECT_DOUBLE_EQ(dbl(prim(118, {flt(1.5), flt(-2)})), -3.0);
  EXPECT_DOUBLE_EQ(dbl(prim(119, {flt(1), flt(4)})), 0.25);
  EXPECT_TRUE(std::isinf(dbl(prim(119, {flt(1), flt(0)}))));
  const struct { int number; bool expected; } compare[] = {
      {112, true}, {113, false}, {114, true}, {115, false}, {116, false}, {117, true}};
  for (auto c : compare) EXPECT_EQ(prim(c.number, {flt(1), flt(2)}), booleanObj(c.expected)) << c.number;
  EXPECT_EQ(prim(116, {flt(2), flt(2)}), trueObj);
  EXPECT_DOUBLE_EQ(dbl(prim(102, {flt(std::exp(2.0))})), 2.0);
  EXPECT_DOUBLE_EQ(dbl(prim(103, {flt(0)})), 1.0);
}

TEST_F(PrimWorld, FloatPrimitivesRefuseOtherObjects) {
  ObjectRef eightBytes = str("1234567");  // 8 bytes, but a String
  for (int number : {102, 103, 106, 110, 112, 119}) {
    EXPECT_EQ(prim(number, {eightBytes, flt(1)}), nilObj) << number;
    EXPECT_EQ(prim(number, {num(3), flt(1)}), nilObj) << number;
    EXPECT_EQ(prim(number, {newArray(2), flt(1)}), nilObj) << number;
  }
  EXPECT_EQ(prim(110, {flt(1), nilObj}), nilObj);
}

struct SplitCase {
  double x;
  int32_t mantissa, exponent;
};

class FloatSplit : public PrimWorld, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(FloatSplit, MantissaAndExponent) {
  ObjectRef r = prim(106, {newFloat(GetParam().x)});
  ASSERT_NE(r, nilObj);
  EXPECT_EQ(intOf(wordAt(r, 0)), GetParam().mantissa);
  EXPECT_EQ(intOf(wordAt(r, 1)), GetParam().exponent);
}

INSTANTIATE_TEST_SUITE_P(Cases, FloatSplit,
                         ::testing::Values(SplitCase{0.0, 0, 0}, SplitCase{2.75, 2, 0},
                                           SplitCase{-2.75, -2, 0}, SplitCase{4095.9, 4095, 0},
                                           SplitCase{4096.0, 2048, 1}, SplitCase{1e10, 2384, 22},
                                           SplitCase{-1e300, -3058, 985}));

TEST_F(PrimWorld, FloatSplitOfInfinityAndNaNFails) {
  EXPECT_EQ(prim(106, {newFloat(INFINITY)}), nilObj);
  EXPECT_EQ(prim(106, {newFloat(NAN)}), nilObj);
}

}  // namespace
