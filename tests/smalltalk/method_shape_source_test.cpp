// Shapes of methods written the way the class library writes them, compiled
// from source: a change in the compiler's output or in the library's idioms
// that silently lost a shortcut shows here.
#include <gtest/gtest.h>

#include "compiler_support.h"
#include "smalltalk/method_shape.h"

namespace {

class SourceShapes : public CompilerWorld {
 protected:
  void SetUp() override {
    CompilerWorld::SetUp();
    ObjectRef block =
        makeClass("ShapeBlock", {"context", "argumentCount", "argumentLocation", "bytePointer"});
    ASSERT_TRUE(loadClassVariables(block));
  }

  MethodShape shapeOf(const char* source) {
    const Compiled c = compileText(source);
    EXPECT_TRUE(c.ok) << source << "\n" << c.errors;
    return classifyMethod(c.method);
  }
};

TEST_F(SourceShapes, TheLibrarysOneLinersAndBlockEntry) {
  struct Case {
    const char* source;
    MethodShape::Kind kind;
  };
  const Case cases[] = {
      {"isFloat\n    ^ false", MethodShape::Answer},
      {"yourself\n    ^ self", MethodShape::Answer},
      {"numArgs\n    ^ argumentCount", MethodShape::Answer},
      {"== anObject\n    ^ <21 self anObject>", MethodShape::Primitive},
      {"+ aNumber\n    | result |\n    result := <110 self aNumber>.\n"
       "    result isNil ifFalse: [^ result].\n    ^ self + (self coerce: aNumber)",
       MethodShape::Primitive},
      {"at: index put: anObject\n    (<31 self index anObject>) isNil ifTrue: [^ self indexError: index].\n"
       "    ^ anObject",
       MethodShape::Primitive},
      {"enter\n    <28 context bytePointer>", MethodShape::Enter},
      {"run\n    ^ self enter", MethodShape::Forward},
      {"value\n    argumentCount = 0 ifFalse: [^ self numArgsError: 0].\n    ^ self enter",
       MethodShape::Forward},
      {"size\n    ^ <12 self> - 1", MethodShape::None},
      {"twice\n    self enter.\n    ^ self enter", MethodShape::None},
      {"other\n    ^ self enter: 3", MethodShape::None},
      {"check\n    argumentCount = 0 ifFalse: [^ 1].\n    ^ 2", MethodShape::None},
      {"later\n    | t |\n    t := 3.\n    ^ self enter", MethodShape::None},
  };
  for (const Case& c : cases) EXPECT_EQ(shapeOf(c.source).kind, c.kind) << c.source;
}

TEST_F(SourceShapes, AForwardRecordsItsGuardSelectorAndResumePoint) {
  const Compiled c =
      compileText("value\n    argumentCount = 0 ifFalse: [^ self numArgsError: 0].\n    ^ self enter");
  const MethodShape shape = classifyMethod(c.method);
  ASSERT_EQ(shape.kind, MethodShape::Forward);
  EXPECT_TRUE(shape.guarded);
  EXPECT_EQ(shape.guard[0].kind, ShapeOperand::Instance);
  EXPECT_EQ(shape.guard[0].index, 1);
  EXPECT_EQ(shape.guard[1].constant.word, smallInt(0).word);
  EXPECT_EQ(symbolText(literalAt(c, shape.forwardLiteral)), "enter");
  // The resume point is the return right after the send.
  ASSERT_GE(shape.resumeOffset, 1);
  ASSERT_LE(shape.resumeOffset, c.bytes.size());
  EXPECT_EQ(c.bytes[shape.resumeOffset - 1], 0xF2);
}

}  // namespace
