// Method shapes: which methods a send may answer without an activation, and
// that answering them so leaves exactly what the activation would have left.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "interp_test_support.h"
#include "smalltalk/method_shape.h"
#include "smalltalk/send.h"
#include "smalltalk/trace.h"

namespace {

class Shapes : public InterpWorld {};

struct ShapeCase {
  const char* name;
  std::vector<uint8_t> code;
  int32_t temporaries;
  MethodShape::Kind kind;
};

// "result := <p self arg>. result isNil ifFalse: [^ result]. ^ self", the
// way the compiler writes it: the nil test branches over the early return.
std::vector<uint8_t> primitiveFirst(uint8_t primitive) {
  return {0x20, 0x21, 0xD2, primitive, 0x70, kPopTop, 0x30, kIsNil, kBranchIfTrue, 0, 14,
          0x30, kStackReturn, kPopTop, 0x20, kStackReturn};
}

TEST_F(Shapes, ClassifiesTheSimpleFormsAndRefusesTheRest) {
  const ShapeCase cases[] = {
      {"^ self", {kSelfReturn}, 0, MethodShape::Answer},
      {"^ instance 2", {0x12, kStackReturn}, 0, MethodShape::Answer},
      {"^ true", {0x56, kStackReturn}, 0, MethodShape::Answer},
      {"^ argument", {0x21, kStackReturn}, 0, MethodShape::Answer},
      {"t := 2. ^ t", {0x52, 0x70, kPopTop, 0x30, kStackReturn}, 1, MethodShape::Answer},
      {"^ <21 self arg>", {0x20, 0x21, 0xD2, 21, kStackReturn}, 0, MethodShape::Primitive},
      {"primitive first", primitiveFirst(110), 1, MethodShape::Primitive},
      {"enter", {0x10, 0x13, 0xD2, 28, kPopTop, kSelfReturn}, 0, MethodShape::Enter},
      {"a send", {0x20, 0xA2, kStackReturn}, 0, MethodShape::None},
      {"the current Context", {0x54, kStackReturn}, 0, MethodShape::None},
      {"a primitive with effects", {0x20, 0xD1, 128, kStackReturn}, 0, MethodShape::None},
      {"two primitives", {0x20, 0xD1, 12, 0x20, 0xD1, 12, kStackReturn}, 0, MethodShape::None},
      {"a store into the receiver", {0x51, 0x60, kStackReturn}, 0, MethodShape::None},
      {"a loop", {kBranch, 0, 1}, 0, MethodShape::None},
      {"running off the end", {0x51}, 0, MethodShape::None},
      {"a branch past the end", {kBranch, 0, 9}, 0, MethodShape::None},
      {"a test of an unknown value", {0x21, kIsNil, kStackReturn}, 0, MethodShape::None},
      {"enter answering the primitive", {0x10, 0x13, 0xD2, 28, kStackReturn}, 0, MethodShape::None},
  };
  for (const ShapeCase& c : cases) {
    ObjectRef m = makeMethod({c.code, {}, c.temporaries});
    EXPECT_EQ(classifyMethod(m).kind, c.kind) << c.name;
  }
  EXPECT_EQ(classifyMethod(smallInt(3)).kind, MethodShape::None);
  EXPECT_EQ(classifyMethod(newArray(2)).kind, MethodShape::None);
}

TEST_F(Shapes, PrimitiveFirstRecordsItsFallBack) {
  const MethodShape shape = classifyMethod(makeMethod({primitiveFirst(60), {}, 1}));
  EXPECT_EQ(shape.primitive, 60);
  EXPECT_EQ(shape.operandCount, 2);
  EXPECT_TRUE(shape.answersResult);
  EXPECT_TRUE(shape.activateOnNil);
  const MethodShape plain = classifyMethod(makeMethod({{0x20, 0x21, 0xD2, 21, kStackReturn}}));
  EXPECT_FALSE(plain.activateOnNil);
}

// The caller sends the selector with one argument and answers the result.
ObjectRef sendOne(ObjectRef receiver, const char* selector, ObjectRef argument) {
  ObjectRef caller = makeMethod({{0x20, 0x21, 0x82, 0x90, kStackReturn}, {intern(selector)}});
  return runToEnd(processFor(caller, receiver, {argument}));
}

TEST_F(Shapes, PrimitiveFirstAnswersThePrimitiveOrRunsTheMethod) {
  ObjectRef cls = defineClass("Box", nilObj, 1);
  // result := <25 self arg>. result isNil ifFalse: [^ result]. ^ self
  install(cls, "at:", makeMethod({primitiveFirst(25), {}, 1}));
  ObjectRef box = instanceOf(cls, {smallInt(7)});
  EXPECT_EQ(sendOne(box, "at:", smallInt(1)).word, smallInt(7).word);
  // Out of range the primitive fails: the activation runs and answers self.
  EXPECT_EQ(sendOne(box, "at:", smallInt(5)).word, box.word);
}

// A primitive reads the receiver and arguments where the send left them only
// when they are its operands in that order; swapped or partial operands are
// handed over in their own order.
TEST_F(Shapes, PrimitiveOperandsInTheirOwnOrder) {
  const ObjectRef integer = defineClass("Integer");
  const ObjectRef subtract = makeMethod({{0x20, 0x21, 0xD2, 61, kStackReturn}});    // <61 self arg>
  const ObjectRef reversed = makeMethod({{0x21, 0x20, 0xD2, 61, kStackReturn}});    // <61 arg self>
  const ObjectRef twice = makeMethod({{0x21, 0x21, 0xD2, 61, kStackReturn}});       // <61 arg arg>
  EXPECT_TRUE(classifyMethod(subtract).operandsInPlace);
  EXPECT_TRUE(classifyMethod(subtract).plainInPlace);
  EXPECT_FALSE(classifyMethod(reversed).operandsInPlace);
  EXPECT_FALSE(classifyMethod(reversed).plainInPlace);
  EXPECT_FALSE(classifyMethod(twice).operandsInPlace);
  EXPECT_FALSE(classifyMethod(twice).plainInPlace);
  install(integer, "minus:", subtract);
  install(integer, "from:", reversed);
  install(integer, "zero:", twice);
  EXPECT_EQ(sendOne(smallInt(10), "minus:", smallInt(3)).word, smallInt(7).word);
  EXPECT_EQ(sendOne(smallInt(10), "from:", smallInt(3)).word, smallInt(-7).word);
  EXPECT_EQ(sendOne(smallInt(10), "zero:", smallInt(3)).word, smallInt(0).word);
}

TEST_F(Shapes, APrimitiveWithAnEffectAnswersWhatTheMethodNames) {
  ObjectRef cls = defineClass("Box", nilObj, 1);
  // <31 self 1 arg>. ^ instance 0   (the store happens before the answer is read)
  install(cls, "put:", makeMethod({{0x20, 0x51, 0x21, 0xD3, 31, kPopTop, 0x10, kStackReturn}}));
  ObjectRef box = instanceOf(cls, {nilObj});
  EXPECT_EQ(sendOne(box, "put:", smallInt(9)).word, smallInt(9).word);
  EXPECT_EQ(wordAt(box, 0).word, smallInt(9).word);
}

// The first send of a selector fills the method cache line; the run loop
// answers the later ones from the line. Both must answer alike, for every
// kind of shape: an accessor, a constant, a plain primitive that succeeds or
// fails (the method runs), and a primitive the loop leaves to the full path.
TEST_F(Shapes, ASendAnsweredFromTheCacheLineAnswersAsTheFirst) {
  ObjectRef cls = defineClass("Box", nilObj, 1);
  install(cls, "first:", makeMethod({{0x10, kStackReturn}}));
  install(cls, "yes:", makeMethod({{0x56, kStackReturn}}));
  install(cls, "at:", makeMethod({primitiveFirst(25), {}, 1}));
  install(cls, "global:", makeMethod({{0x21, 0xD1, 87, kStackReturn}}));
  install(cls, "me", makeMethod({{kSelfReturn}}));
  ObjectRef box = instanceOf(cls, {smallInt(7)});
  const ObjectRef sendMe = makeMethod({{0x20, 0x81, 0x90, kStackReturn}, {intern("me")}});
  for (int pass = 0; pass < 3; ++pass) {
    SCOPED_TRACE(pass);
    EXPECT_EQ(runToEnd(processFor(sendMe, box)).word, box.word);
    EXPECT_EQ(sendOne(box, "first:", nilObj).word, smallInt(7).word);
    EXPECT_EQ(sendOne(box, "yes:", nilObj).word, trueObj.word);
    EXPECT_EQ(sendOne(box, "at:", smallInt(1)).word, smallInt(7).word);
    EXPECT_EQ(sendOne(box, "at:", smallInt(2)).word, box.word);
    EXPECT_EQ(sendOne(box, "global:", intern("Box")).word, cls.word);
  }
}

// "n > 2 ifTrue: [^ n]. ^ 99": the shape answers n where the guard holds;
// anything else runs the method, which then decides. An argument that is
// not a small integer compares through its own ">" (here answering false),
// so the guard must not hold for it, whatever its reference reads as.
TEST_F(Shapes, AGuardedShapeAnswersOnlyWhereItsGuardHolds) {
  const ObjectRef box = defineClass("Box", nilObj, 1);
  const ObjectRef other = defineClass("Other");
  const ObjectRef large = install(
      box, "large:",
      makeMethod({{0x21, 0x52, 0xB3, kBranchIfFalse, 0, 9, 0x21, kStackReturn, 0x40, kStackReturn},
                  {smallInt(99)}}));
  install(other, ">", makeMethod({{0x57, kStackReturn}}));  // ^ false
  ASSERT_EQ(classifyMethod(large).guardCount, 1);
  const ObjectRef receiver = instanceOf(box, {nilObj});
  const ObjectRef stranger = instanceOf(other);
  for (int pass = 0; pass < 3; ++pass) {
    SCOPED_TRACE(pass);
    EXPECT_EQ(sendOne(receiver, "large:", smallInt(5)).word, smallInt(5).word);
    EXPECT_EQ(sendOne(receiver, "large:", smallInt(2)).word, smallInt(99).word);
    EXPECT_EQ(sendOne(receiver, "large:", smallInt(-40)).word, smallInt(99).word);
    EXPECT_EQ(sendOne(receiver, "large:", stranger).word, smallInt(99).word);
  }
  const CacheLine& line = methodCache[cacheLineIndex(intern("large:"), box)];
  ASSERT_EQ(line.selector, intern("large:"));
  EXPECT_EQ(line.shape.kind, MethodShape::Answer);
}

TEST_F(Shapes, InstanceWordsPastTheBodyReadAsNil) {
  ObjectRef cls = defineClass("Empty");
  install(cls, "third:", makeMethod({{0x12, kStackReturn}}));
  EXPECT_EQ(sendOne(instanceOf(cls), "third:", smallInt(1)).word, nilObj.word);
}

TEST_F(Shapes, ArgumentsAndReceiverLeaveTheStackAsAReturnWould) {
  ObjectRef cls = defineClass("Echo");
  install(cls, "echo:", makeMethod({{0x21, kStackReturn}}));
  ObjectRef caller = makeMethod({{0x20, 0x21, 0x82, 0x90, kStackReturn}, {intern("echo:")}});
  ObjectRef process = processFor(caller, instanceOf(cls), {smallInt(5)});
  const uint32_t depthBefore = processDepth(process);
  EXPECT_EQ(runToEnd(process).word, smallInt(5).word);
  ObjectRef stack = wordAt(process, kProcessStack);
  // The outermost return leaves its answer where the receiver was; every word
  // above it is nil again.
  for (uint32_t i = processDepth(process); i < depthBefore + 4; ++i)
    EXPECT_EQ(wordAt(stack, i).word, nilObj.word) << "word " << i;
}

TEST_F(Shapes, TracingSeesEveryInstructionOfTheMethod) {
  ObjectRef cls = defineClass("Echo");
  install(cls, "echo:", makeMethod({{0x21, kStackReturn}}));
  ObjectRef caller = makeMethod({{0x20, 0x21, 0x82, 0x90, kStackReturn}, {intern("echo:")}});
  ASSERT_TRUE(setTraceCounter(kTraceBytecodes, 100));
  testing::internal::CaptureStderr();
  runToEnd(processFor(caller, instanceOf(cls), {smallInt(5)}));
  const std::string trace = testing::internal::GetCapturedStderr();
  resetTraceCounters();
  // Caller: push, push, mark, send, return; callee: push argument, return.
  EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 7) << trace;
}

}  // namespace
