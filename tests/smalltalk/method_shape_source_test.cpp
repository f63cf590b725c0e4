// Shapes of methods written the way the class library writes them, compiled
// from source: a change in the compiler's output or in the library's idioms
// that silently lost a shortcut shows here.
#include <gtest/gtest.h>

#include <string>

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
      {"check\n    argumentCount = 0 ifFalse: [^ 1].\n    ^ 2", MethodShape::Answer},  // guarded
      {"later\n    | t |\n    t := 3.\n    ^ self enter", MethodShape::None},
  };
  for (const Case& c : cases) EXPECT_EQ(shapeOf(c.source).kind, c.kind) << c.source;
}

// Comparisons of known values before the answer become guards, at most two;
// the path taken is the one on which they are true.
TEST_F(SourceShapes, ComparisonsBeforeTheAnswerBecomeGuards) {
  struct Case {
    const char* source;
    MethodShape::Kind kind;
    int guards;
  };
  const Case cases[] = {
      {"fib: n\n    n < 2 ifTrue: [^ n].\n    ^ (self fib: n - 1) + (self fib: n - 2)",
       MethodShape::Answer, 1},
      {"max: x\n    ^ self > x ifTrue: [self] ifFalse: [x]", MethodShape::Answer, 1},
      {"// x\n    | q |\n    (self >= 0 and: [x > 0]) ifTrue: [\n        q := <69 self x>.\n"
       "        q isNil ifFalse: [^ q]].\n    ^ self foo: x",
       MethodShape::Primitive, 2},
      {"three: x\n    (self > 0 and: [x > 0 and: [x < 9]]) ifTrue: [^ x].\n    ^ 0", MethodShape::None, 0},
      {"constants\n    3 < 4 ifTrue: [^ 1].\n    ^ 2", MethodShape::None, 0},
      {"nilSide: x\n    x < nil ifTrue: [^ 1].\n    ^ 2", MethodShape::None, 0},
      {"tested: x\n    (self < x) isNil ifTrue: [^ 1].\n    ^ 2", MethodShape::None, 0},
      {"sum: x\n    self + x > 0 ifTrue: [^ 1].\n    ^ 2", MethodShape::None, 0},
      {"store: x\n    <31 self 2 x>.\n    argumentCount > 0 ifTrue: [^ 1].\n    ^ 2", MethodShape::None, 0},
  };
  for (const Case& c : cases) {
    const MethodShape shape = shapeOf(c.source);
    EXPECT_EQ(shape.kind, c.kind) << c.source;
    EXPECT_EQ(shape.guardCount, c.guards) << c.source;
  }
  const MethodShape division = shapeOf(
      "// x\n    | q |\n    (self >= 0 and: [x > 0]) ifTrue: [\n        q := <69 self x>.\n"
      "        q isNil ifFalse: [^ q]].\n    ^ self foo: x");
  EXPECT_EQ(division.guards[0].left.kind, ShapeOperand::Argument);
  EXPECT_EQ(division.guards[0].left.index, 0);
  EXPECT_EQ(division.guards[0].comparison, 5);  // ">="
  EXPECT_EQ(division.guards[1].left.index, 1);
  EXPECT_EQ(division.guards[1].comparison, 3);  // ">"
  EXPECT_TRUE(division.activateOnNil);
  EXPECT_FALSE(shapeOf("max: x\n    ^ self > x ifTrue: [self] ifFalse: [x]").answersReceiver());
}

// A primitive-first method whose nil path runs the same primitive once more
// with its argument converted (Float>>+ given an Integer) records the
// conversion; any other nil path records none.
TEST_F(SourceShapes, ASecondTryWithTheArgumentConvertedIsRecorded) {
  struct Case {
    const char* source;
    int conversion;
  };
  const char* const head = "+ aNumber\n    | result |\n    result := <110 self aNumber>.\n"
                           "    result isNil ifFalse: [^ result].\n";
  const Case cases[] = {
      {"    result := <110 self (<51 aNumber>)>.\n    result isNil ifFalse: [^ result].\n"
       "    ^ self + (self coerce: aNumber)", 51},
      {"    ^ self + (self coerce: aNumber)", 0},                                  // no second try
      {"    result := <111 self (<51 aNumber>)>.\n    result isNil ifFalse: [^ result].\n    ^ 0", 0},
      {"    result := <110 (<51 self> aNumber)>.\n    result isNil ifFalse: [^ result].\n    ^ 0", 0},
      {"    result := <110 self (<153 aNumber>)>.\n    result isNil ifFalse: [^ result].\n    ^ 0", 0},
      {"    result := <110 self (<51 self>)>.\n    result isNil ifFalse: [^ result].\n    ^ 0", 0},
      {"    result := <110 self (<51 aNumber>)>.\n    ^ 0", 0},                 // answers something else
      {"    result := <110 self (<51 (<51 aNumber>)>)>.\n    result isNil ifFalse: [^ result].\n    ^ 0",
       0},
  };
  for (const Case& c : cases) {
    const std::string source = std::string(head) + c.source;
    const MethodShape shape = shapeOf(source.c_str());
    EXPECT_EQ(shape.kind, MethodShape::Primitive) << source;
    EXPECT_EQ(shape.retryConversion, c.conversion) << source;
  }
  EXPECT_EQ(shapeOf("== anObject\n    ^ <21 self anObject>").retryConversion, 0);
}

// A primitive-first method whose nil path checks with one more primitive,
// then answers a known value, records the check and the answer.
TEST_F(SourceShapes, ACheckAfterTheFailedPrimitiveIsRecorded) {
  const MethodShape at = shapeOf(
      "at: index\n    | element |\n    element := <25 self index>.\n"
      "    element isNil ifFalse: [^ element].\n"
      "    (<31 self index nil>) isNil ifTrue: [^ self indexError: index].\n    ^ nil");
  EXPECT_EQ(at.kind, MethodShape::Primitive);
  EXPECT_TRUE(at.activateOnNil);
  EXPECT_EQ(at.retryConversion, 0);
  ASSERT_EQ(at.checkPrimitive, 31);
  ASSERT_EQ(at.checkOperandCount, 3);
  EXPECT_EQ(at.checkOperands[0].kind, ShapeOperand::Argument);
  EXPECT_EQ(at.checkOperands[0].index, 0);
  EXPECT_EQ(at.checkOperands[1].index, 1);
  EXPECT_EQ(at.checkOperands[2].kind, ShapeOperand::Constant);
  EXPECT_EQ(at.checkOperands[2].constant, nilObj);
  EXPECT_EQ(at.checkAnswer.kind, ShapeOperand::Constant);
  EXPECT_EQ(at.checkAnswer.constant, nilObj);
  // The failed primitive's nil itself is a known answer too.
  EXPECT_EQ(shapeOf("at: i\n    | e |\n    e := <25 self i>.\n    e isNil ifFalse: [^ e].\n"
                    "    (<12 self>) isNil ifTrue: [^ 0].\n    ^ e")
                .checkPrimitive,
            12);
  const char* const refused[] = {
      // the check answers what the method then sends
      "at: i\n    | e |\n    e := <25 self i>.\n    e isNil ifFalse: [^ e].\n    ^ (<12 self>) foo",
      // a check that is not pure
      "at: i\n    | e |\n    e := <25 self i>.\n    e isNil ifFalse: [^ e].\n"
      "    (<153 true>) isNil ifTrue: [^ 0].\n    ^ 1",
      // two checks
      "at: i\n    | e |\n    e := <25 self i>.\n    e isNil ifFalse: [^ e].\n"
      "    (<12 self>) isNil ifTrue: [^ 0].\n    (<12 i>) isNil ifTrue: [^ 0].\n    ^ 1",
      // the check's own answer (which the shortcut does not keep)
      "at: i\n    | e c |\n    e := <25 self i>.\n    e isNil ifFalse: [^ e].\n"
      "    c := <12 self>.\n    c isNil ifTrue: [^ 0].\n    ^ c",
  };
  for (const char* source : refused) {
    const MethodShape shape = shapeOf(source);
    EXPECT_EQ(shape.checkPrimitive, 0) << source;
    EXPECT_FALSE(shape.hasSecondTry()) << source;
  }
}

// A primitive whose operand is another primitive's answer, which nothing
// else holds, makes a shape with that other primitive as its inner one.
TEST_F(SourceShapes, APrimitiveOnAnotherOnesAnswerIsAChain) {
  struct Case {
    const char* source;
    int primitive, inner;
  };
  const Case cases[] = {
      {"new: size\n    | result |\n    result := <22 (<58 size>) self>.\n"
       "    result isNil ifTrue: [^ self error: 'no'].\n    ^ result",
       22, 58},
      {"printString\n    (self < 1000000 and: [self > -1000000]) ifTrue: [^ <101 (<51 self>)>].\n"
       "    ^ self printString: 10",
       101, 51},
      {"twice: x\n    ^ <61 (<60 self x>) (<60 self x>)>", 0, 0},          // two inner answers
      {"tested: x\n    | t |\n    t := <60 self x>.\n    t isNil ifTrue: [^ 0].\n    ^ <61 t x>", 0, 0},
      {"stored: x\n    ^ <25 (<31 self 1 x>) 1>", 0, 0},                      // the inner one stores
      {"three: x\n    ^ <61 (<60 (<60 self x>) x>) x>", 0, 0},
  };
  for (const Case& c : cases) {
    const MethodShape shape = shapeOf(c.source);
    EXPECT_EQ(shape.kind, c.primitive ? MethodShape::Primitive : MethodShape::None) << c.source;
    EXPECT_EQ(shape.primitive, c.primitive) << c.source;
    EXPECT_EQ(shape.innerPrimitive, c.inner) << c.source;
    EXPECT_FALSE(shape.operandsInPlace) << c.source;
  }
}

TEST_F(SourceShapes, AForwardRecordsItsGuardSelectorAndResumePoint) {
  const Compiled c =
      compileText("value\n    argumentCount = 0 ifFalse: [^ self numArgsError: 0].\n    ^ self enter");
  const MethodShape shape = classifyMethod(c.method);
  ASSERT_EQ(shape.kind, MethodShape::Forward);
  ASSERT_EQ(shape.guardCount, 1);
  EXPECT_EQ(shape.guards[0].left.kind, ShapeOperand::Instance);
  EXPECT_EQ(shape.guards[0].left.index, 1);
  EXPECT_EQ(shape.guards[0].right.constant.word, smallInt(0).word);
  EXPECT_EQ(shape.guards[0].comparison, 6);  // "="
  EXPECT_EQ(symbolText(literalAt(c, shape.forwardLiteral)), "enter");
  // The resume point is the return right after the send.
  ASSERT_GE(shape.resumeOffset, 1);
  ASSERT_LE(shape.resumeOffset, c.bytes.size());
  EXPECT_EQ(c.bytes[shape.resumeOffset - 1], 0xF2);
}

}  // namespace
