// The primitive table, the integer primitives 60-72 and the shared
// instruction and selector tables.
#include <gtest/gtest.h>

#include <cstring>

#include "interp_test_support.h"
#include "smalltalk/bytecodes.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/special_selectors.h"

namespace {

ObjectRef call(int number, ObjectRef a, ObjectRef b) {
  ObjectRef args[2] = {a, b};
  return callPrimitive(number, args);
}

TEST(PrimitiveTable, UnlistedNumbersAnswerNilAndEmptySlotsAreEmpty) {
  ObjectRef args[4] = {smallInt(1), smallInt(2), smallInt(3), smallInt(4)};
  int unlisted = 0;
  for (int number = 0; number < kPrimitiveSlots; ++number) {
    if (primitiveName(number) != nullptr) continue;
    ++unlisted;
    EXPECT_EQ(callPrimitive(number, args), nilObj) << number;
    EXPECT_EQ(args[0].word, smallInt(1).word) << number;  // arguments untouched
  }
  EXPECT_GE(unlisted, kPrimitiveSlots - kPrimitiveOperations + 1);  // 7 among them
  EXPECT_EQ(primitiveAt(7), &primUnimplemented);
  for (int number = kPrimitiveOperations; number < kPrimitiveSlots; ++number)
    EXPECT_EQ(primitiveAt(number), nullptr) << number;
  EXPECT_EQ(primitiveAt(-1), nullptr);
  EXPECT_EQ(primitiveAt(256), nullptr);
}

TEST(PrimitiveTable, EveryListedNumberHoldsItsHandler) {
#define CHECK_LISTED(number, name, handler)          \
  EXPECT_EQ(primitiveAt(number), &handler) << number; \
  EXPECT_STREQ(primitiveName(number), name);
  TOLVA_PRIMITIVES(CHECK_LISTED)
#undef CHECK_LISTED
  EXPECT_EQ(primitiveName(7), nullptr);
}

struct IntegerCase {
  int number;
  int32_t a, b;
  ObjectRef expected;
};

class IntegerPrimitive : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerPrimitive, AnswersOrFails) {
  const IntegerCase& c = GetParam();
  EXPECT_EQ(call(c.number, smallInt(c.a), smallInt(c.b)).word, c.expected.word)
      << c.number << " " << c.a << " " << c.b;
}

INSTANTIATE_TEST_SUITE_P(
    Interp, IntegerPrimitive,
    ::testing::Values(
        IntegerCase{60, kSmallIntMax, 0, smallInt(kSmallIntMax)},
        IntegerCase{60, kSmallIntMax, 1, nilObj},  // overflow fails
        IntegerCase{61, kSmallIntMin, 1, nilObj},
        IntegerCase{61, kSmallIntMin, -1, smallInt(kSmallIntMin + 1)},
        IntegerCase{62, -1, 0, trueObj}, IntegerCase{63, -1, 0, falseObj},
        IntegerCase{64, 5, 5, trueObj}, IntegerCase{65, 4, 5, falseObj},
        IntegerCase{66, 5, 5, trueObj}, IntegerCase{67, 5, 5, falseObj},
        IntegerCase{68, 32768, 32768, nilObj},  // 2^30 does not fit
        IntegerCase{68, -32768, 32768, smallInt(kSmallIntMin)},
        IntegerCase{69, 7, -2, smallInt(-3)},   // truncated toward zero
        IntegerCase{69, 7, 0, nilObj},
        IntegerCase{69, kSmallIntMin, -1, nilObj},  // 2^30 does not fit
        IntegerCase{70, -7, 2, smallInt(-1)},   // sign of the dividend
        IntegerCase{70, 7, -2, smallInt(1)},
        IntegerCase{70, 7, 0, nilObj},
        IntegerCase{71, -1, 12, smallInt(12)},
        IntegerCase{72, -1, 0, smallInt(-1)}));

TEST(IntegerPrimitives, FailForAnythingButTwoSmallIntegers) {
  for (int number = 60; number <= 72; ++number) {
    EXPECT_EQ(call(number, smallInt(3), nilObj), nilObj) << number;
    EXPECT_EQ(call(number, trueObj, smallInt(3)), nilObj) << number;
  }
}

TEST(Bytecodes, PackingChoosesTheShortOrExtendedForm) {
  uint8_t out[2] = {0, 0};
  ASSERT_EQ(packInstruction(out, Opcode::PushArgument, 1), 1);
  EXPECT_EQ(out[0], 0x21);
  ASSERT_EQ(packInstruction(out, Opcode::PushArgument, 20), 2);
  EXPECT_EQ(out[0], 0x02);
  EXPECT_EQ(out[1], 0x14);
  ASSERT_EQ(packInstruction(out, Opcode::DoSpecial, 15), 1);
  EXPECT_EQ(out[0], 0xFF);
  ASSERT_EQ(packInstruction(out, Opcode::PushLiteral, 255), 2);
  EXPECT_EQ(packInstruction(out, Opcode::PushLiteral, 256), 0);
  EXPECT_EQ(packInstruction(out, Opcode::PushLiteral, -1), 0);
}

TEST(Bytecodes, TraceNamesFollowTheOpcodes) {
  const char* expected[kOpcodeCount] = {
      "unsupportedByte",  "bytePushInstance",  "bytePushArgument",    "bytePushTemporary",
      "bytePushLiteral",  "bytePushConstant",  "byteAssignInstance",  "byteAssignTemporary",
      "byteMarkArguments", "byteSendMessage",  "byteSendUnary",       "byteSendBinary",
      "unsupportedByte",  "byteDoPrimitive",   "unsupportedByte",     "byteDoSpecial"};
  for (int op = 0; op < kOpcodeCount; ++op) EXPECT_STREQ(opcodeName(op), expected[op]) << op;
}

TEST(SpecialSelectors, IndicesOfTheSharedLists) {
  EXPECT_EQ(unarySelectorIndex("isNil"), 0);
  EXPECT_EQ(unarySelectorIndex("printString"), 8);
  EXPECT_EQ(unarySelectorIndex("foo"), -1);
  EXPECT_EQ(binarySelectorIndex("+"), 0);
  EXPECT_EQ(binarySelectorIndex("bitXor:"), kFastPathCount - 1);
  EXPECT_EQ(binarySelectorIndex("addLast:"), 27);
  EXPECT_EQ(binarySelectorIndex("at:put:"), -1);
}

using SelectorTables = InterpWorld;

TEST_F(SelectorTables, AreInternedAtSetUpWithNilPastTheLists) {
  EXPECT_EQ(unarySelector(2), findSymbol("value"));
  EXPECT_EQ(binarySelector(13), findSymbol("=="));
  EXPECT_EQ(unarySelector(kUnarySelectorCount), nilObj);
  EXPECT_EQ(binarySelector(kBinarySelectorCount), nilObj);
  EXPECT_EQ(binarySelector(kBinaryTableSlots), nilObj);
}

}  // namespace
