// Exact bytecodes and literals of small methods.
#include "compiler_support.h"

namespace {

struct BytesCase {
  const char* source;
  std::vector<int> bytes;
};

class CompiledBytes : public CompilerWorld, public ::testing::WithParamInterface<BytesCase> {};

TEST_P(CompiledBytes, Match) {
  Compiled c = compileText(GetParam().source);
  EXPECT_TRUE(c.ok) << c.errors;
  EXPECT_EQ(c.errors, "");
  EXPECT_EQ(c.bytes, GetParam().bytes) << GetParam().source;
}

INSTANTIATE_TEST_SUITE_P(
    Methods, CompiledBytes,
    ::testing::Values(
        BytesCase{"foo", {0xF5, 0xF1}},
        BytesCase{"foo ^ 1", {0x51, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo ^ 3 + 4", {0x40, 0x41, 0xB0, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo | x | ^ x at: 1", {0x30, 0x51, 0xBF, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo | x | ^ x basicAt: 1", {0x30, 0x51, 0x0B, 16, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo ^ 5", {0x40, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo ^ -1", {0x53, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo ^ 0. ^ 2", {0x50, 0xF2, 0xF5, 0x52, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo ^ self", {0x20, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo nil. true. false. currentInterpreter",
                  {0x55, 0xF5, 0x56, 0xF5, 0x57, 0xF5, 0x54, 0xF5, 0xF1}},
        BytesCase{"foo ^ x isNil", {0x40, 0xA2, 0xA0, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo: a ^ a", {0x21, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo: a bar: b ^ b", {0x22, 0xF2, 0xF5, 0xF1}},
        BytesCase{"+ a ^ a", {0x21, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo: a ^ a at: 1 put: 2", {0x21, 0x51, 0x52, 0x83, 0x90, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo: a ^ a bar", {0x21, 0x81, 0x90, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo ^ super bar", {0x20, 0x81, 0xFB, 0x00, 0xF2, 0xF5, 0xF1}},
        // Only the first send after super goes to super.
        BytesCase{"foo ^ super bar baz", {0x20, 0x81, 0xFB, 0x00, 0x81, 0x91, 0xF2, 0xF5, 0xF1}},
        // Assignments: temporary, global (arguments included).
        BytesCase{"foo | t | t := 5. ^ t", {0x40, 0x70, 0xF5, 0x30, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo | t | t <- 1", {0x51, 0x70, 0xF5, 0xF1}},
        BytesCase{"foo: a a := 3", {0x20, 0x40, 0x41, 0x83, 0x92, 0xF5, 0xF1}},
        // Primitive calls.
        BytesCase{"foo ^ <60 1 2>", {0x51, 0x52, 0xD2, 60, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo <9>", {0xD0, 9, 0xF5, 0xF1}},
        // Blocks: the code skipped by a branch, arguments as temporaries.
        BytesCase{"foo ^ []", {0x40, 0x54, 0xD2, 29, 0xF6, 0, 10, 0x55, 0xF2, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo ^ [:x | x]", {0x40, 0x54, 0xD2, 29, 0xF6, 0, 10, 0x30, 0xF2, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo | t | ^ [:x | x]",
                  {0x40, 0x54, 0xD2, 29, 0xF6, 0, 10, 0x31, 0xF2, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo ^ [^ 1]",
                  {0x40, 0x54, 0xD2, 29, 0xF6, 0, 15, 0x51, 0x54, 0x81, 0x91, 0xF5, 0xF2, 0xF2,
                   0xF2, 0xF5, 0xF1}},
        // Inlined control structures.
        BytesCase{"foo: c ^ c ifTrue: [1]", {0x21, 0xF8, 0, 6, 0x51, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo: c ^ c ifFalse: [1]", {0x21, 0xF7, 0, 6, 0x51, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo: c ^ c ifTrue: [1] ifFalse: [2]",
                  {0x21, 0xF8, 0, 9, 0x51, 0xF6, 0, 11, 0xF5, 0x52, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo: c ^ c ifFalse: [1] ifTrue: [2]",
                  {0x21, 0xF7, 0, 9, 0x51, 0xF6, 0, 11, 0xF5, 0x52, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo: c ^ c and: [2]", {0x21, 0xF9, 0, 6, 0x52, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo: c ^ c or: [2]", {0x21, 0xFA, 0, 6, 0x52, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo: c ^ c ifTrue: 1", {0x21, 0xF8, 0, 7, 0x51, 0xA2, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo: c ^ c ifTrue: []", {0x21, 0xF8, 0, 6, 0x55, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo: r r whileTrue: [1]",
                  {0x21, 0xF4, 0xA2, 0xF8, 0, 12, 0x51, 0xF5, 0xF6, 0, 2, 0xF5, 0xF5, 0xF1}},
        // Cascades go to a copy of the first part's result.
        BytesCase{"foo: x x bar; baz", {0x21, 0x81, 0x90, 0xF4, 0x81, 0x91, 0xF5, 0xF5, 0xF1}},
        // Globals are sent "value".
        BytesCase{"foo ^ Smalltalk", {0x40, 0xA2, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo ^ (1)", {0x51, 0xF2, 0xF5, 0xF1}},
        BytesCase{"foo ^ 1. ", {0x51, 0xF2, 0xF5, 0xF1}}));

TEST_F(CompilerWorld, MethodSlotsAfterSuccess) {
  Compiled c = compileText("foo: a | t u | ^ 5");
  ASSERT_TRUE(c.ok);
  EXPECT_EQ(symbolText(wordAt(c.method, kMethodSelector)), "foo:");
  EXPECT_EQ(wordAt(c.method, kMethodSelector), intern("foo:"));
  EXPECT_EQ(wordAt(c.method, kMethodStackSize), smallInt(6));
  EXPECT_EQ(wordAt(c.method, kMethodTemporaryCount), smallInt(3));
  EXPECT_EQ(wordAt(c.method, kMethodSource), nilObj);
  EXPECT_EQ(literalAt(c, 0), smallInt(5));
}

TEST_F(CompilerWorld, KeepsSourceOnRequest) {
  ObjectRef method = newMethod();
  ASSERT_TRUE(compileMethod(method, "foo ^ 1", true));
  EXPECT_STREQ(charsOf(wordAt(method, kMethodSource)), "foo ^ 1");
}

TEST_F(CompilerWorld, MethodWithoutLiteralsHasNilLiterals) {
  Compiled c = compileText("foo ^ -1");
  EXPECT_EQ(wordAt(c.method, kMethodLiterals), nilObj);
}

TEST_F(CompilerWorld, LiteralKinds) {
  Compiled c = compileText("foo ^ 'it''s'. #sym. $a. 2.5. #+. -7. -2.5");
  ASSERT_TRUE(c.ok) << c.errors;
  EXPECT_STREQ(charsOf(literalAt(c, 0)), "it's");
  EXPECT_EQ(classOf(literalAt(c, 0)), globalValue("String"));
  EXPECT_EQ(literalAt(c, 1), intern("sym"));
  EXPECT_EQ(wordAt(literalAt(c, 2), kCharCode), smallInt('a'));
  EXPECT_EQ(floatValue(literalAt(c, 3)), 2.5);
  EXPECT_EQ(literalAt(c, 4), intern("+"));
  EXPECT_EQ(literalAt(c, 5), smallInt(-7));
  EXPECT_EQ(floatValue(literalAt(c, 6)), -2.5);
}

TEST_F(CompilerWorld, LiteralArraysNestAndNegate) {
  Compiled c = compileText("foo ^ #(1 $a foo #at:put: #(2 (3)) -3 - 'str' 2.5 + #bar)");
  ASSERT_TRUE(c.ok) << c.errors;
  ObjectRef array = literalAt(c, 0);
  EXPECT_EQ(wordCount(wordAt(c.method, kMethodLiterals)), 1u);
  ASSERT_EQ(wordCount(array), 11u);
  EXPECT_EQ(wordAt(array, 0), smallInt(1));
  EXPECT_EQ(wordAt(wordAt(array, 1), kCharCode), smallInt('a'));
  EXPECT_EQ(wordAt(array, 2), intern("foo"));
  EXPECT_EQ(wordAt(array, 3), intern("at:put:"));
  ObjectRef inner = wordAt(array, 4);
  ASSERT_EQ(wordCount(inner), 2u);
  EXPECT_EQ(wordAt(inner, 0), smallInt(2));
  EXPECT_EQ(wordAt(wordAt(inner, 1), 0), smallInt(3));
  EXPECT_EQ(wordAt(array, 5), smallInt(-3));
  EXPECT_EQ(wordAt(array, 6), intern("-"));
  EXPECT_STREQ(charsOf(wordAt(array, 7)), "str");
  EXPECT_EQ(floatValue(wordAt(array, 8)), 2.5);
  EXPECT_EQ(wordAt(array, 9), intern("+"));
  EXPECT_EQ(wordAt(array, 10), intern("bar"));
  EXPECT_EQ(c.bytes, (std::vector<int>{0x40, 0xF2, 0xF5, 0xF1}));
}

TEST_F(CompilerWorld, BlockLiteralRecordsArgumentsAndEntry) {
  Compiled c = compileText("foo | a b | ^ [:x :y | | z | z]");
  ASSERT_TRUE(c.ok) << c.errors;
  ObjectRef block = literalAt(c, 0);
  EXPECT_EQ(classOf(block), globalValue("Block"));
  EXPECT_EQ(wordAt(block, 1), smallInt(2));  // two arguments
  EXPECT_EQ(wordAt(block, 2), smallInt(3));  // after the method's two temporaries
  EXPECT_EQ(wordAt(block, 3), smallInt(8));  // entry after the skipping branch
  EXPECT_EQ(c.bytes[7], 0x34);               // z is temporary 5 (operand 4)
  EXPECT_EQ(wordAt(c.method, kMethodTemporaryCount), smallInt(6));
}

TEST_F(CompilerWorld, BlockTemporariesGoOutOfScope) {
  // After the block, a new block reuses the same temporary numbers.
  Compiled c = compileText("foo [:x | x]. [:y | y]");
  ASSERT_TRUE(c.ok) << c.errors;
  EXPECT_EQ(wordAt(literalAt(c, 1), 2), smallInt(1));
  EXPECT_EQ(wordAt(c.method, kMethodTemporaryCount), smallInt(2));
}

TEST_F(CompilerWorld, InstanceVariablesInheritedFirst) {
  ObjectRef base = makeClass("Base", {"a", "b"});
  ObjectRef derived = makeClass("Derived", {"c"}, {}, base);
  ASSERT_TRUE(loadClassVariables(derived));
  EXPECT_EQ(compileText("foo ^ c").bytes, (std::vector<int>{0x12, 0xF2, 0xF5, 0xF1}));
  EXPECT_EQ(compileText("foo: v b := v").bytes, (std::vector<int>{0x21, 0x61, 0xF5, 0xF1}));
  // Temporaries and arguments come before instance variables.
  EXPECT_EQ(compileText("foo: a ^ a").bytes, (std::vector<int>{0x21, 0xF2, 0xF5, 0xF1}));
}

TEST_F(CompilerWorld, ClassVariablesAreSentToTheDeclaringClass) {
  ObjectRef base = makeClass("Base", {}, {"Count"});
  ObjectRef derived = makeClass("Derived", {}, {}, base);
  ASSERT_TRUE(loadClassVariables(derived));
  Compiled read = compileText("foo ^ Count");
  ASSERT_TRUE(read.ok) << read.errors;
  EXPECT_EQ(read.bytes, (std::vector<int>{0x40, 0x20, 0x41, 0x83, 0x92, 0xF2, 0xF5, 0xF1}));
  EXPECT_EQ(literalAt(read, 0), base);
  EXPECT_EQ(literalAt(read, 1), intern("Count"));
  EXPECT_EQ(literalAt(read, 2), intern("cvvalue:name:"));
  Compiled write = compileText("foo Count := 1");
  EXPECT_EQ(write.bytes, (std::vector<int>{0x40, 0x20, 0x41, 0x51, 0x84, 0x92, 0xF5, 0xF1}));
  EXPECT_EQ(literalAt(write, 2), intern("cvassign:name:value:"));
}

TEST_F(CompilerWorld, MetaclassMethodsSeeTheirClassVariables) {
  ObjectRef cls = makeClass("Holder", {"x"}, {"Shared"});
  ASSERT_TRUE(loadClassVariables(classOf(cls)));
  Compiled c = compileText("foo ^ Shared");
  ASSERT_TRUE(c.ok) << c.errors;
  EXPECT_EQ(literalAt(c, 0), cls);
  // The instance variables of the class are not visible to its metaclass.
  EXPECT_EQ(compileText("foo ^ x").bytes, (std::vector<int>{0x40, 0xA2, 0xF2, 0xF5, 0xF1}));
}

TEST_F(CompilerWorld, EmptyingTheNamesMakesThemGlobals) {
  ASSERT_TRUE(loadClassVariables(makeClass("Base", {"a"})));
  ASSERT_TRUE(loadClassVariables(nilObj));
  EXPECT_EQ(compileText("foo ^ a").bytes, (std::vector<int>{0x40, 0xA2, 0xF2, 0xF5, 0xF1}));
}

}  // namespace
