// The driver's primitives: file slots opened, written, filed in and closed;
// quitting; integer to Float and its print string.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "compiler_support.h"
#include "smalltalk/file_slots.h"
#include "smalltalk/name_table.h"
#include "smalltalk/primitive_table.h"

namespace {

namespace fs = std::filesystem;

class DriverPrims : public CompilerWorld {
 protected:
  void SetUp() override {
    CompilerWorld::SetUp();
    path_ = fs::temp_directory_path() / ("tolva_prim_" + std::to_string(::getpid()));
  }
  void TearDown() override {
    clearFileSlots();
    fs::remove(path_);
    CompilerWorld::TearDown();
  }
  ObjectRef call(int number, std::initializer_list<ObjectRef> args) {
    std::vector<ObjectRef> words(args);
    words.resize(4, nilObj);  // room past the arguments, as on a process stack
    return callPrimitive(number, words.data());
  }
  std::string contents() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  ObjectRef pathString() const { return newString(path_.c_str()); }
  fs::path path_;
};

TEST_F(DriverPrims, OpenWriteAndCloseASlot) {
  EXPECT_EQ(call(120, {smallInt(7), pathString(), newString("w")}), smallInt(7));
  EXPECT_EQ(call(128, {smallInt(7), newString("ab")}), nilObj);
  EXPECT_EQ(call(129, {smallInt(7), intern("cd")}), nilObj);
  EXPECT_EQ(call(121, {smallInt(7)}), nilObj);
  EXPECT_EQ(contents(), "abcd\n");
  EXPECT_EQ(slotStream(7), nullptr);
}

TEST_F(DriverPrims, BadSlotsNamesAndTextsFail) {
  EXPECT_EQ(call(120, {smallInt(128), pathString(), newString("w")}), nilObj);
  EXPECT_EQ(call(120, {smallInt(-1), pathString(), newString("w")}), nilObj);
  EXPECT_EQ(call(120, {nilObj, pathString(), newString("w")}), nilObj);
  EXPECT_EQ(call(120, {smallInt(3), smallInt(5), newString("w")}), nilObj);
  EXPECT_EQ(call(120, {smallInt(3), newString("/no/such/dir/x"), newString("r")}), nilObj);
  EXPECT_EQ(slotStream(3), nullptr);
  // Writing to an empty slot, or something that is not a text, does nothing.
  EXPECT_EQ(call(129, {smallInt(3), newString("lost")}), nilObj);
  ASSERT_EQ(call(120, {smallInt(3), pathString(), newString("w")}), smallInt(3));
  EXPECT_EQ(call(129, {smallInt(3), newArray(2)}), nilObj);
  EXPECT_EQ(call(129, {smallInt(3), smallInt(9)}), nilObj);
  call(121, {smallInt(3)});
  EXPECT_EQ(contents(), "");
  EXPECT_EQ(call(121, {smallInt(300)}), nilObj);
}

TEST_F(DriverPrims, FileInReadsTheSlot) {
  std::ofstream(path_) << "!UndefinedObject methodsFor: 'x'!\nanswer\n  ^ 42\n!\n}!\n";
  ASSERT_EQ(call(120, {smallInt(1), pathString(), newString("r")}), smallInt(1));
  EXPECT_EQ(call(123, {smallInt(1)}), nilObj);
  call(121, {smallInt(1)});
  ObjectRef methods = wordAt(globalValue("UndefinedObject"), kClassMethods);
  EXPECT_NE(dictionaryAt(methods, intern("answer")), nilObj);
  EXPECT_EQ(call(123, {smallInt(1)}), nilObj);  // an empty slot files in nothing
}

TEST_F(DriverPrims, IntegerToFloatAndPrintString) {
  ObjectRef f = call(51, {smallInt(-6)});
  ASSERT_NE(f, nilObj);
  EXPECT_EQ(floatValue(f), -6.0);
  EXPECT_STREQ(charsOf(call(101, {f})), "-6");
  EXPECT_STREQ(charsOf(call(101, {newFloat(1234567.0)})), "1.23457e+06");
  EXPECT_STREQ(charsOf(call(101, {newFloat(0.5)})), "0.5");
  EXPECT_EQ(call(51, {nilObj}), nilObj);
  EXPECT_EQ(call(101, {smallInt(3)}), nilObj);
  EXPECT_EQ(call(101, {newString("1234567")}), nilObj);  // 8 bytes, but not a Float
}

// Whole values print through a digit conversion of their own: it must give
// exactly the "%g" text, at the edges of its range too.
TEST_F(DriverPrims, FloatPrintStringMatchesTheGeneralFormat) {
  const double values[] = {0.0,     -0.0,     1.0,      -1.0,     7.0,       10.0,       99999.0,
                           100000.0, -100000.0, 999999.0, -999999.0, 1000000.0, -1000000.0, 999999.5,
                           123456.0, 2.5e-7,   1e300,    -1e-300,  0.1,       -3.75};
  for (double value : values) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%g", value);
    EXPECT_STREQ(charsOf(call(101, {newFloat(value)})), expected) << value;
  }
}

TEST_F(DriverPrims, QuitEndsWithStatusZero) {
  EXPECT_EXIT(call(9, {}), ::testing::ExitedWithCode(0), "");
}

}  // namespace
