#include "prim_test_support.h"

#include "smalltalk/collector.h"
#include "smalltalk/name_table.h"

namespace {

struct CopyCase {
  const char* text;
  int32_t from, to;
  const char* expected;
};

const CopyCase kCopyCases[] = {
    {"abcd", 2, 3, "bc"}, {"abcd", 3, 10, "cd"}, {"abcd", 0, 2, ""},   {"abcd", 1, 4, "abcd"},
    {"abcd", 4, 4, "d"},  {"abcd", 5, 9, ""},    {"abcd", 3, 2, ""},   {"abcd", -5, 2, ""},
    {"", 1, 1, ""},       {"abcd", 2, 1073741823, "bcd"}, {"abcd", 1073741823, -1073741824, ""},
};

class CopyFromTo : public PrimWorld, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(CopyFromTo, AnswersTheSubstring) {
  const CopyCase& c = GetParam();
  ObjectRef r = prim(33, {str(c.text), num(c.from), num(c.to)});
  ASSERT_NE(r, nilObj);
  EXPECT_EQ(classOf(r), stringClass());
  EXPECT_EQ(textOfObject(r), c.expected);
  EXPECT_EQ(byteSize(r), std::string(c.expected).size() + 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, CopyFromTo, ::testing::ValuesIn(kCopyCases));

TEST_F(PrimWorld, HashLengthConcatenation) {
  EXPECT_EQ(prim(82, {str("Array")}), num(511));
  EXPECT_EQ(prim(82, {str("")}), num(0));
  EXPECT_EQ(prim(82, {str("\xff\xff")}), num(2));
  EXPECT_EQ(prim(81, {str("hello")}), num(5));
  EXPECT_EQ(prim(81, {newByteObject(0)}), num(0));
  ObjectRef joined = prim(24, {str("foo"), newSymbol("bar")});
  EXPECT_EQ(textOfObject(joined), "foobar");
  EXPECT_EQ(classOf(joined), stringClass());
  for (int number : {24, 81, 82, 83, 87}) {
    EXPECT_EQ(prim(number, {num(1), str("x")}), nilObj) << number;
    EXPECT_EQ(prim(number, {newArray(3), str("x")}), nilObj) << number;
  }
}

// A byte object without a terminating zero is read up to its end, never past it.
TEST_F(PrimWorld, TextWithoutTerminatorStopsAtTheBody) {
  ObjectRef raw = newByteObject(3);
  for (int i = 1; i <= 3; ++i) prim(32, {raw, num(i), num('a' + i)});
  EXPECT_EQ(prim(81, {raw}), num(3));
  EXPECT_EQ(textOfObject(prim(24, {raw, raw})), "bcdbcd");
}

TEST_F(PrimWorld, ByteAccessInsideTheBodyOnly) {
  ObjectRef s = str("abc");  // 4 bytes with the terminator
  EXPECT_EQ(prim(26, {s, num(1)}), num('a'));
  EXPECT_EQ(prim(26, {s, num(4)}), num(0));
  EXPECT_EQ(prim(26, {s, num(5)}), nilObj);
  EXPECT_EQ(prim(26, {s, num(0)}), nilObj);
  EXPECT_EQ(prim(26, {newArray(4), num(1)}), nilObj);
  EXPECT_EQ(prim(32, {s, num(2), num(0x17A)}), s);  // the low 8 bits
  EXPECT_EQ(textOfObject(s), "azc");
  EXPECT_EQ(prim(32, {s, num(5), num(1)}), nilObj);
  EXPECT_EQ(prim(32, {newByteObject(0), num(1), num(1)}), nilObj);
}

using PrimWorldDeathTest = PrimWorld;

TEST_F(PrimWorldDeathTest, NonIntegerIndexStopsTheProgram) {
  EXPECT_EXIT(prim(26, {str("ab"), nilObj}), ::testing::ExitedWithCode(1),
              "non integer index\nbyteAt:\n");
  EXPECT_EXIT(prim(32, {str("ab"), str("x"), num(1)}), ::testing::ExitedWithCode(1),
              "non integer index\nbyteAtPut\n");
  EXPECT_EXIT(prim(32, {str("ab"), num(1), nilObj}), ::testing::ExitedWithCode(1),
              "assigning non int\nto byte\n");
  EXPECT_EXIT(prim(33, {str("ab"), num(1), trueObj}), ::testing::ExitedWithCode(1),
              "non integer index\ncopyFromTo\n");
}

TEST_F(PrimWorld, SymbolsAndGlobals) {
  ObjectRef sym = prim(83, {str("fooBar")});
  EXPECT_EQ(classOf(sym), symbolClass());
  EXPECT_EQ(prim(83, {str("fooBar")}), sym);
  EXPECT_EQ(prim(27, {sym, num(42)}), sym);
  EXPECT_EQ(prim(87, {str("fooBar")}), num(42));
  EXPECT_EQ(globalValue("fooBar"), num(42));
  EXPECT_EQ(prim(87, {str("noSuchGlobal")}), nilObj);
  EXPECT_EQ(prim(87, {str("version")}), globalValue("version"));
  // Only Symbols become keys of the symbol table.
  EXPECT_EQ(prim(27, {str("fooBar"), num(7)}), nilObj);
  EXPECT_EQ(prim(27, {num(3), num(7)}), nilObj);
  EXPECT_EQ(globalValue("fooBar"), num(42));
}

// A global read through its Symbol is remembered by the Symbol; the next
// reads must still see a new value, a global defined later and a collection.
TEST_F(PrimWorld, GlobalsReadThroughTheirSymbolStayCurrent) {
  ObjectRef sym = prim(83, {str("counter")});
  prim(27, {sym, num(1)});
  EXPECT_EQ(prim(87, {sym}), num(1));
  EXPECT_EQ(prim(87, {sym}), num(1));  // remembered
  prim(27, {sym, num(2)});             // the value changes in its entry
  EXPECT_EQ(prim(87, {sym}), num(2));
  ObjectRef later = prim(83, {str("laterGlobal")});
  EXPECT_EQ(prim(87, {later}), nilObj);  // not defined yet
  prim(27, {later, num(3)});
  EXPECT_EQ(prim(87, {later}), num(3));
  collectGarbage(false);
  EXPECT_EQ(prim(87, {sym}), num(2));
  EXPECT_EQ(prim(87, {later}), num(3));
  EXPECT_EQ(prim(87, {str("counter")}), num(2));  // a String is read by its text
}

}  // namespace
