// Every compiler message word for word, the warnings, and the limits.
#include <string>

#include "compiler_support.h"

namespace {

struct ErrorCase {
  const char* source;
  const char* stderrText;
};

class CompilerErrors : public CompilerWorld, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(CompilerErrors, ReportAndFail) {
  Compiled c = compileText(GetParam().source);
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(wordAt(c.method, kMethodBytecodes), nilObj);
  EXPECT_EQ(c.errors, GetParam().stderrText) << GetParam().source;
}

#define E(method, message, detail) \
  "********compiler error: Method " method " : " message " " detail "\n"

INSTANTIATE_TEST_SUITE_P(
    Messages, CompilerErrors,
    ::testing::Values(
        ErrorCase{"", E("", "illegal message selector", "")},
        ErrorCase{"3 foo", E("", "illegal message selector", "3")},
        ErrorCase{"+ 3", E("+", "binary message pattern not followed by name", "+")},
        ErrorCase{"at: 3", E("at:", "keyword message pattern", "not followed by a name")},
        ErrorCase{"foo | a b", E("foo", "temporary list not terminated by bar", "")},
        ErrorCase{"foo 3 4", E("foo", "invalid statement ending; token is ", "4")},
        ErrorCase{"foo ^ 1 ]", E("foo", "invalid statement ending; token is ", "]")},
        ErrorCase{"foo: c c and: [1] or: [2]",
                  E("foo:", "invalid statement ending; token is ", "or:")},
        ErrorCase{"foo [:3]", E("foo", "name must follow colon", "in block argument list")},
        ErrorCase{"foo [:x x]", E("foo", "block argument list must be terminated", "by |")},
        ErrorCase{"foo [1", E("foo", "block not terminated by ]", "")},
        ErrorCase{"foo ^ - x", E("foo", "negation not followed", "by number")},
        ErrorCase{"foo ^ (1", E("foo", "Missing Right Parenthesis", "")},
        ErrorCase{"foo ^ )", E("foo", "invalid expression start", "")},
        ErrorCase{"foo ^", E("foo", "invalid expression start", "")},
        ErrorCase{"foo <x>", E("foo", "primitive number missing", "")},
        ErrorCase{"foo <256>", E("foo", "primitive number missing", "")},
        ErrorCase{"foo: c c ifTrue: [1", E("foo:", "missing close", "after block")},
        ErrorCase{"foo ^ #(1", E("foo", "illegal text in literal array", "")},
        ErrorCase{"foo ^ #(1 ]", E("foo", "array not terminated by right parenthesis", "]")}));

#undef E

TEST_F(CompilerWorld, OneBadMethodMayPrintMoreThanOneMessage) {
  Compiled c = compileText("foo ^ (1 ]");
  EXPECT_FALSE(c.ok);
  EXPECT_NE(c.errors.find("Missing Right Parenthesis"), std::string::npos);
}

TEST_F(CompilerWorld, UnarySelectorSameAsTemporaryWarnsAndCompiles) {
  Compiled c = compileText("foo | bar | ^ self bar");
  EXPECT_TRUE(c.ok);
  EXPECT_EQ(c.errors, "compiler warning: Method foo : message same as temporary: bar\n");
  Compiled a = compileText("foo: bar ^ self bar");
  EXPECT_TRUE(a.ok);
  EXPECT_EQ(a.errors, "compiler warning: Method foo: : message same as argument: bar\n");
}

TEST_F(CompilerWorld, OverlongTokenIsReported) {
  Compiled c = compileText("foo ^ '" + std::string(5000, 'x') + "'");
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.errors, "********compiler error: Method foo : token too long in method \n");
}

// ---- limits -----------------------------------------------------------------

std::string manyStatements(int n, int firstValue) {
  std::string body = "foo ";
  for (int i = 0; i < n; ++i) body += std::to_string(firstValue + i) + ". ";
  return body;
}

std::string temporaries(int n) {
  std::string list = "foo |";
  for (int i = 0; i < n; ++i) list += " t" + std::to_string(i);
  return list + " | t" + std::to_string(n - 1) + " := 3";
}

std::string keywordPattern(int n) {
  std::string pattern;
  for (int i = 0; i < n; ++i) pattern += "a" + std::to_string(i) + ": x" + std::to_string(i) + " ";
  return pattern + "^ x" + std::to_string(n - 1);
}

std::string keywordSend(int n) {
  std::string send = "foo ^ self";
  for (int i = 0; i < n; ++i) send += " a" + std::to_string(i) + ": 1";
  return send;
}

TEST_F(CompilerWorld, TwoHundredFiftySixLiteralsFitTheNextIsRefused) {
  Compiled fits = compileText(manyStatements(256, 3));
  ASSERT_TRUE(fits.ok) << fits.errors;
  EXPECT_EQ(literalAt(fits, 255), smallInt(258));
  // The last literal needs the extended form: 0x04 0xFF.
  ASSERT_GE(fits.bytes.size(), 4u);
  EXPECT_EQ(fits.bytes[fits.bytes.size() - 4], 0x04);
  EXPECT_EQ(fits.bytes[fits.bytes.size() - 3], 0xFF);
  Compiled refused = compileText(manyStatements(257, 3));
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.errors, "********compiler error: Method foo : too many literals in method \n");
}

TEST_F(CompilerWorld, LiteralArrayElementsCountWhileRead) {
  std::string elements;
  for (int i = 0; i < 257; ++i) elements += " 7";
  Compiled c = compileText("foo ^ #(" + elements + ")");
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.errors, "********compiler error: Method foo : too many literals in method \n");
}

TEST_F(CompilerWorld, TwoHundredFiftySixTemporariesFitTheNextIsRefused) {
  Compiled fits = compileText(temporaries(256));
  ASSERT_TRUE(fits.ok) << fits.errors;
  EXPECT_EQ(fits.bytes, (std::vector<int>{0x40, 0x07, 0xFF, 0xF5, 0xF1}));
  EXPECT_EQ(wordAt(fits.method, kMethodTemporaryCount), smallInt(257));
  Compiled refused = compileText(temporaries(257));
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.errors,
            "********compiler error: Method foo : too many temporaries in method \n");
}

TEST_F(CompilerWorld, BlockArgumentsCountTowardsTheTemporaries) {
  std::string source = "foo |";
  for (int i = 0; i < 256; ++i) source += " t" + std::to_string(i);
  Compiled c = compileText(source + " | ^ [:x | x]");
  EXPECT_FALSE(c.ok);
  EXPECT_NE(c.errors.find("too many temporaries in method"), std::string::npos);
}

TEST_F(CompilerWorld, TwoHundredFiftyFiveArgumentsFitTheNextIsRefused) {
  Compiled fits = compileText(keywordPattern(255));
  ASSERT_TRUE(fits.ok) << fits.errors;
  EXPECT_EQ(fits.bytes, (std::vector<int>{0x02, 0xFF, 0xF2, 0xF5, 0xF1}));
  Compiled refused = compileText(keywordPattern(256));
  EXPECT_FALSE(refused.ok);
  EXPECT_NE(refused.errors.find("too many arguments in method"), std::string::npos);
}

TEST_F(CompilerWorld, SendsWithMoreThan254ArgumentsAreRefused) {
  Compiled fits = compileText(keywordSend(254));
  ASSERT_TRUE(fits.ok) << fits.errors;
  Compiled refused = compileText(keywordSend(255));
  EXPECT_FALSE(refused.ok);
  EXPECT_NE(refused.errors.find("too many arguments in method"), std::string::npos);
}

TEST_F(CompilerWorld, PrimitiveCallsWithMoreThan255ArgumentsAreRefused) {
  auto call = [](int n) {
    std::string text = "foo ^ <7";
    for (int i = 0; i < n; ++i) text += " 1";
    return text + ">";
  };
  EXPECT_TRUE(compileText(call(255)).ok);
  Compiled refused = compileText(call(256));
  EXPECT_FALSE(refused.ok);
  EXPECT_NE(refused.errors.find("too many arguments in method"), std::string::npos);
}

TEST_F(CompilerWorld, CodeFillsExactlyToTheLimit) {
  // n statements "1." give 2n + 1 bytes: 32767 fill positions 0 to 65534.
  std::string body = "foo";
  for (int i = 0; i < 32767; ++i) body += " 1.";
  Compiled fits = compileText(body);
  ASSERT_TRUE(fits.ok) << fits.errors.substr(0, 200);
  EXPECT_EQ(fits.bytes.size(), 65535u);
  Compiled refused = compileText(body + " 1.");
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.errors,
            "********compiler error: Method foo : too many bytecode instructions in method \n");
}

struct NestingCase {
  const char* open;
  const char* close;
};

class CompilerNesting : public CompilerWorld, public ::testing::WithParamInterface<NestingCase> {};

std::string nested(const NestingCase& c, int depth) {
  std::string text = "foo ^ ";
  for (int i = 0; i < depth; ++i) text += c.open;
  text += "1";
  for (int i = 0; i < depth; ++i) text += c.close;
  return text;
}

TEST_P(CompilerNesting, TwoHundredFiftySixLevelsFitDeeperIsAnError) {
  Compiled fits = compileText(nested(GetParam(), 256));
  EXPECT_TRUE(fits.ok) << fits.errors.substr(0, 200);
  Compiled refused = compileText(nested(GetParam(), 257));
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.errors, "********compiler error: Method foo : too many nesting levels in method \n");
  // Far deeper input is refused the same way, without exhausting the native stack.
  Compiled deep = compileText(nested(GetParam(), 200000));
  EXPECT_FALSE(deep.ok);
}

INSTANTIATE_TEST_SUITE_P(Brackets, CompilerNesting,
                         ::testing::Values(NestingCase{"(", ")"}, NestingCase{"[", "]"},
                                           NestingCase{"#(", ")"}, NestingCase{"true ifTrue: [", "]"}));

TEST_F(CompilerWorld, LongAssignmentChainsAreBounded) {
  std::string text = "foo | a | ";
  for (int i = 0; i < 100000; ++i) text += "a := ";
  Compiled c = compileText(text + "1");
  EXPECT_FALSE(c.ok);
  EXPECT_NE(c.errors.find("too many nesting levels in method"), std::string::npos);
}

TEST_F(CompilerWorld, ClassChainsWithTooManyNamesAreRefused) {
  std::vector<std::string> names;
  for (int i = 0; i < 256; ++i) names.push_back("v" + std::to_string(i));
  std::vector<const char*> pointers;
  for (const std::string& n : names) pointers.push_back(n.c_str());
  ObjectRef cls = makeClass("Wide", pointers);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(loadClassVariables(cls));
  std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(message, "********compiler error: Class Wide : more than 255 variable names in its chain\n");
  Compiled c = compileText("foo ^ v0");
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.errors, "********compiler error: Method foo : too many variable names in class \n");
  pointers.pop_back();
  ASSERT_TRUE(loadClassVariables(makeClass("Wide", pointers)));
  EXPECT_EQ(compileText("foo ^ v254").bytes, (std::vector<int>{0x01, 254, 0xF2, 0xF5, 0xF1}));
}

}  // namespace
