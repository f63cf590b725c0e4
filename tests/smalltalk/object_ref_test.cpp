#include <gtest/gtest.h>

#include "smalltalk/object_ref.h"

struct IntCase {
  int32_t value;
  uint32_t word;
};
const IntCase kIntCases[] = {
    {0, 1}, {1, 3}, {-1, 0xFFFFFFFFu}, {kSmallIntMax, 0x7FFFFFFFu}, {kSmallIntMin, 0x80000001u},
};

class SmallIntegers : public ::testing::TestWithParam<IntCase> {};

TEST_P(SmallIntegers, EncodeAsTwiceThePlusOneAndDecodeArithmetically) {
  ObjectRef ref = smallInt(GetParam().value);
  EXPECT_EQ(ref.word, GetParam().word);
  EXPECT_TRUE(ref.isValue());
  EXPECT_EQ(ref.intValue(), GetParam().value);
}
INSTANTIATE_TEST_SUITE_P(Table, SmallIntegers, ::testing::ValuesIn(kIntCases));

TEST(ObjectRefs, FixedObjectsAreEvenWordsWithTheirIndices) {
  const ObjectRef fixed[] = {nilObj, trueObj, falseObj, hashTable, symbols};
  for (uint32_t i = 0; i < 5; ++i) {
    EXPECT_FALSE(fixed[i].isValue());
    EXPECT_EQ(fixed[i].Index(), i + 1);
    EXPECT_EQ(fixed[i].word, 2 * (i + 1));
  }
}

TEST(ObjectRefs, FitsSmallIntAtTheRangeEdges) {
  EXPECT_TRUE(fitsSmallInt(kSmallIntMax));
  EXPECT_TRUE(fitsSmallInt(kSmallIntMin));
  EXPECT_FALSE(fitsSmallInt(int64_t{kSmallIntMax} + 1));
  EXPECT_FALSE(fitsSmallInt(int64_t{kSmallIntMin} - 1));
}

TEST(ObjectRefsDeath, DecodingAnObjectAsIntegerStopsTheSystem) {
  EXPECT_EXIT(nilObj.intValue(), ::testing::ExitedWithCode(1),
              "internal error: isValue\\(\\) \\(smalltalk/tolva\\)");
}

TEST(FatalDeath, WritesTwoLinesAndExitsWithOne) {
  EXPECT_EXIT(fatal("invalid doSpecial", ""), ::testing::ExitedWithCode(1), "^invalid doSpecial\n\n$");
  EXPECT_EXIT(fatalNumber("invalid bytecode", 12), ::testing::ExitedWithCode(1),
              "^invalid bytecode\n12\n$");
}
