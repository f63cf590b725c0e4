// Malformed code stops the program with two lines on standard error and
// status 1, never reading outside the method or the stack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interp_test_support.h"

namespace {

// A regular expression matching text literally.
std::string literally(const std::string& text) {
  std::string pattern;
  for (char ch : text) {
    if (std::string("\\^$.|?*+()[]{}").find(ch) != std::string::npos) pattern += '\\';
    pattern += ch;
  }
  return pattern;
}

struct FatalCase {
  const char* name;
  std::vector<uint8_t> code;
  std::vector<ObjectRef> literals;
  const char* message;  // both lines
};

class FatalCode : public InterpWorld, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(FatalCode, StopsWithTwoLinesAndStatusOne) {
  const FatalCase& c = GetParam();
  ObjectRef process = processFor(makeMethod({c.code, c.literals, 1}), nilObj);
  EXPECT_EXIT(execute(process, kSlice), ::testing::ExitedWithCode(1),
              literally(c.message))
      << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Interp, FatalCode,
    ::testing::Values(
        FatalCase{"extended opcode 0", {0x00, 0x00}, {}, "invalid bytecode\n0\n"},
        FatalCase{"opcode 12", {0xC5}, {}, "invalid bytecode\n5\n"},
        FatalCase{"opcode 14 extended", {0x0E, 0xC8}, {}, "invalid bytecode\n200\n"},
        FatalCase{"block return", {0x51, 0xF3}, {}, "invalid doSpecial\n\n"},
        FatalCase{"special 0", {0xF0}, {}, "invalid doSpecial\n\n"},
        FatalCase{"special 12", {0xFC}, {}, "invalid doSpecial\n\n"},
        FatalCase{"constant 8", {0x58}, {}, "unimplemented constant\npushConstant\n"},
        FatalCase{"literal without literals", {0x40}, {}, "invalid literal index\n0\n"},
        FatalCase{"literal past the array", {0x42}, {smallInt(1)}, "invalid literal index\n2\n"},
        FatalCase{"temporary past the frame", {0x31}, {}, "invalid temporary index\n1\n"},
        FatalCase{"assignment past the frame", {0x51, 0x73}, {}, "invalid temporary index\n3\n"},
        FatalCase{"argument past the frame", {0x21}, {}, "invalid argument index\n1\n"},
        FatalCase{"branch past the code", {0xF6, 0x00, 0x09}, {}, "invalid branch target\n9\n"},
        FatalCase{"branch to 0", {0x56, 0xF7, 0x00, 0x00}, {}, "invalid branch target\n0\n"},
        FatalCase{"running off the end", {0x51}, {}, "past the end of the method\n2\n"},
        FatalCase{"branch without its target", {0xF6}, {}, "past the end of the method\n2\n"},
        FatalCase{"branch cut in its target", {0x56, 0xF8, 0x00}, {}, "past the end of the method\n4\n"},
        FatalCase{"conditional branch below the frame", {0xF5, 0xF7, 0x00, 0x01}, {}, "stack underflow\n"},
        FatalCase{"cut extended form", {0x04}, {}, "past the end of the method\n2\n"},
        FatalCase{"unary special 9", {0x51, 0xA9}, {}, "invalid special selector\n9\n"},
        FatalCase{"binary special 28", {0x51, 0x51, 0x0B, 0x1C}, {}, "invalid special selector\n28\n"},
        FatalCase{"pop below the frame", {0xF5, 0xF5}, {}, "stack underflow\n"},
        FatalCase{"mark past the frame", {0x88}, {}, "invalid argument count\n8\n"},
        FatalCase{"primitive with too many arguments", {0xD9, 60}, {}, "invalid argument count\n9\n"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

using FatalSend = InterpWorld;

TEST_F(FatalSend, CacheLineNamingAFreedMethodStopsTheSystem) {
  ObjectRef cls = defineClass("Foo");
  ObjectRef method = install(cls, "bar", makeMethod({{0xF1}}));
  ObjectRef obj = instanceOf(cls);
  const HandMadeMethod send = {{0x40, 0x81, 0x91, 0xF2}, {obj, intern("bar")}};
  run(send);
  // Mark the Method's entry free behind the cache's back (restored after, so
  // that the table's release still frees its body).
  const uint32_t flags = entryOf(method).flags;
  entryOf(method).flags = kFreeFlag;
  EXPECT_EXIT(run(send), ::testing::ExitedWithCode(1),
              literally("isAvail(method) == false"));
  entryOf(method).flags = flags;
}

}  // namespace
