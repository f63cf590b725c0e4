// Sends of hand-assembled methods: fast paths, the method cache, super
// sends, recovery, the watch hook, primitive calls and the trace lines.
#include <gtest/gtest.h>

#include <string>

#include "interp_test_support.h"
#include "smalltalk/collector.h"
#include "smalltalk/send.h"
#include "smalltalk/trace.h"

namespace {

// A method answering the literal marker.
ObjectRef answering(ObjectRef marker) { return makeMethod({{0x40, kStackReturn}, {marker}}); }

class Sends : public InterpWorld {
 protected:
  void SetUp() override {
    InterpWorld::SetUp();
    foo = defineClass("Foo", nilObj, 1);
    sub = defineClass("Sub", foo, 1);
  }
  // Answers the result of sending selector (no arguments) to receiver.
  ObjectRef sendUnary(ObjectRef receiver, const char* selector) {
    return run({{0x40, 0x81, 0x91, kStackReturn}, {receiver, intern(selector)}});
  }
  ObjectRef foo = nilObj;
  ObjectRef sub = nilObj;
};

struct FastPathCase {
  uint8_t code;  // byteSendBinary n
  int32_t a, b;
  ObjectRef expected;
};

class BinaryFastPath : public Sends, public ::testing::WithParamInterface<FastPathCase> {};

TEST_P(BinaryFastPath, AnswersThroughTheIntegerPrimitiveWithoutACacheLine) {
  const FastPathCase& c = GetParam();
  EXPECT_EQ(run({{0x40, 0x41, c.code, kStackReturn}, {smallInt(c.a), smallInt(c.b)}}).word,
            c.expected.word);
  EXPECT_TRUE(cacheIsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Interp, BinaryFastPath,
    ::testing::Values(FastPathCase{0xB0, 3, 4, smallInt(7)}, FastPathCase{0xB1, 3, 4, smallInt(-1)},
                      FastPathCase{0xB2, 3, 4, trueObj}, FastPathCase{0xB3, 3, 4, falseObj},
                      FastPathCase{0xB4, 4, 4, trueObj}, FastPathCase{0xB5, 3, 4, falseObj},
                      FastPathCase{0xB6, 4, 4, trueObj}, FastPathCase{0xB7, 4, 4, falseObj},
                      FastPathCase{0xB8, -6, 7, smallInt(-42)},
                      FastPathCase{0xB9, -7, 2, smallInt(-3)},
                      FastPathCase{0xBA, -7, 2, smallInt(-1)},
                      FastPathCase{0xBB, 12, 10, smallInt(8)},
                      FastPathCase{0xBC, 12, 10, smallInt(6)}));

TEST_F(Sends, FailedShortcutAndWatchingFallBackToTheFullSend) {
  ObjectRef integer = defineClass("Integer");
  install(integer, "+", answering(smallInt(99)));
  const HandMadeMethod threePlus = {{0x40, 0x41, 0xB0, kStackReturn}, {smallInt(3), smallInt(4)}};
  EXPECT_EQ(run(threePlus).word, smallInt(7).word);
  // 3 + nil: primitive 60 fails, "+" is sent.
  EXPECT_EQ(run({{0x40, 0x55, 0xB0, kStackReturn}, {smallInt(3)}}).word, smallInt(99).word);
  EXPECT_TRUE(toggleWatching());
  EXPECT_EQ(run(threePlus).word, smallInt(99).word);
  EXPECT_FALSE(toggleWatching());
  EXPECT_EQ(run(threePlus).word, smallInt(7).word);
}

struct NilTestCase {
  uint8_t code;  // 0xA0 isNil, 0xA1 notNil
  ObjectRef value;
  ObjectRef expected;
};

class NilTest : public Sends, public ::testing::WithParamInterface<NilTestCase> {};

TEST_P(NilTest, IsAnsweredInline) {
  const NilTestCase& c = GetParam();
  EXPECT_EQ(run({{0x40, c.code, kStackReturn}, {c.value}}), c.expected);
  EXPECT_TRUE(cacheIsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Interp, NilTest,
                         ::testing::Values(NilTestCase{0xA0, nilObj, trueObj},
                                           NilTestCase{0xA0, smallInt(0), falseObj},
                                           NilTestCase{0xA0, falseObj, falseObj},
                                           NilTestCase{0xA1, nilObj, falseObj},
                                           NilTestCase{0xA1, smallInt(0), trueObj}));

TEST_F(Sends, IsNilIsSentWhileWatching) {
  install(globalValue("UndefinedObject"), "isNil", answering(smallInt(5)));
  toggleWatching();
  EXPECT_EQ(run({{0x55, 0xA0, kStackReturn}}).word, smallInt(5).word);
}

TEST_F(Sends, SecondSendIsACacheHitUntilTheSelectorIsFlushed) {
  ObjectRef first = install(foo, "bar", answering(smallInt(1)));
  ObjectRef obj = instanceOf(foo, {nilObj});
  EXPECT_EQ(sendUnary(obj, "bar").word, smallInt(1).word);
  const CacheLine& line = methodCache[cacheLineIndex(intern("bar"), foo)];
  EXPECT_EQ(line.selector, intern("bar"));
  EXPECT_EQ(line.lookupClass, foo);
  EXPECT_EQ(line.foundClass, foo);
  EXPECT_EQ(line.method, first);
  // Replace the method behind the cache's back: the line still answers.
  dictionaryAtPut(wordAt(foo, kClassMethods), intern("bar"), answering(smallInt(2)));
  EXPECT_EQ(sendUnary(obj, "bar").word, smallInt(1).word);
  flushCacheSelector(intern("bar"));
  EXPECT_EQ(sendUnary(obj, "bar").word, smallInt(2).word);
}

// Two selectors whose sends share a cache line take it from each other; the
// line pushed out is kept as a spare and comes back on the next miss. A
// method installed since (which flushes its selector) is what the send then
// finds, not the spare line of the old one.
TEST_F(Sends, ALinePushedOutComesBackUntilItsSelectorIsFlushed) {
  const ObjectRef first = intern("bar");
  ObjectRef second = nilObj;
  for (int i = 0; second == nilObj; ++i) {
    const ObjectRef candidate = intern(("bar" + std::to_string(i)).c_str());
    if (cacheLineIndex(candidate, foo) == cacheLineIndex(first, foo) &&
        spareLineIndex(candidate, foo) != spareLineIndex(first, foo))
      second = candidate;
  }
  const std::string secondText = charsOf(second);
  const ObjectRef firstMethod = install(foo, "bar", answering(smallInt(1)));
  install(foo, secondText.c_str(), answering(smallInt(2)));
  const ObjectRef obj = instanceOf(foo, {nilObj});
  EXPECT_EQ(sendUnary(obj, "bar").word, smallInt(1).word);
  EXPECT_EQ(sendUnary(obj, secondText.c_str()).word, smallInt(2).word);
  const CacheLine& spare = spareLines[spareLineIndex(first, foo)];
  EXPECT_EQ(spare.selector, first);
  EXPECT_EQ(spare.method, firstMethod);
  EXPECT_EQ(sendUnary(obj, "bar").word, smallInt(1).word);
  EXPECT_EQ(methodCache[cacheLineIndex(first, foo)].method, firstMethod);
  EXPECT_EQ(sendUnary(obj, secondText.c_str()).word, smallInt(2).word);  // "bar" is a spare again
  install(foo, "bar", answering(smallInt(3)));
  EXPECT_EQ(sendUnary(obj, "bar").word, smallInt(3).word);
  ASSERT_EQ(spareLines[spareLineIndex(second, foo)].selector, second);
  collectGarbage(true);  // spare lines go with the cache
  EXPECT_TRUE(cacheIsEmpty());
}

TEST_F(Sends, InheritedMethodLineNamesBothClasses) {
  ObjectRef m = install(foo, "bar", answering(smallInt(1)));
  EXPECT_EQ(sendUnary(instanceOf(sub, {nilObj}), "bar").word, smallInt(1).word);
  const CacheLine& line = methodCache[cacheLineIndex(intern("bar"), sub)];
  EXPECT_EQ(line.lookupClass, sub);
  EXPECT_EQ(line.foundClass, foo);
  EXPECT_EQ(line.method, m);
  // Lookup created the missing method dictionary of Sub on the way.
  EXPECT_NE(wordAt(sub, kClassMethods), nilObj);
}

TEST_F(Sends, CollectionClearsTheWholeCache) {
  install(foo, "bar", answering(smallInt(1)));
  sendUnary(instanceOf(foo, {nilObj}), "bar");
  ASSERT_FALSE(cacheIsEmpty());
  collectGarbage(true);
  EXPECT_TRUE(cacheIsEmpty());
}

TEST_F(Sends, SuperSendStartsAtTheSuperclassOfTheMethodsClass) {
  install(foo, "name", answering(smallInt(1)));
  install(sub, "name", answering(smallInt(2)));
  // Sub>>superName: self; mark 1; super name (literal 0).
  install(sub, "superName", makeMethod({{0x20, 0x81, 0xFB, 0x00, kStackReturn}, {intern("name")}}));
  ObjectRef obj = instanceOf(sub, {nilObj});
  EXPECT_EQ(sendUnary(obj, "name").word, smallInt(2).word);
  EXPECT_EQ(sendUnary(obj, "superName").word, smallInt(1).word);
  // In a class without superclass the super send starts at that class.
  install(foo, "superName", makeMethod({{0x20, 0x81, 0xFB, 0x00, kStackReturn}, {intern("name")}}));
  EXPECT_EQ(sendUnary(instanceOf(foo, {nilObj}), "superName").word, smallInt(1).word);
}

TEST_F(Sends, NotUnderstoodMessageIsRecoveredWithSelectorAndArray) {
  // message: sel notRecognizedWithArguments: args -> iv0 := sel; answer args.
  install(foo, "message:notRecognizedWithArguments:",
          makeMethod({{0x21, 0x60, 0xF5, 0x22, kStackReturn}}));
  ObjectRef obj = instanceOf(foo, {nilObj});
  // obj zork: 5 with: 6
  ObjectRef answer = run({{0x40, 0x52, 0x53, 0x83, 0x91, kStackReturn},
                          {obj, intern("zork:with:")}});
  ASSERT_EQ(classOf(answer), globalValue("Array"));
  ASSERT_EQ(wordCount(answer), 3u);
  EXPECT_EQ(wordAt(answer, 0), obj);
  EXPECT_EQ(wordAt(answer, 1).word, smallInt(2).word);
  EXPECT_EQ(wordAt(answer, 2).word, smallInt(-1).word);
  EXPECT_EQ(wordAt(obj, 0), intern("zork:with:"));
  const CacheLine& line = methodCache[cacheLineIndex(intern("zork:with:"), foo)];
  EXPECT_EQ(line.selector, intern("message:notRecognizedWithArguments:"));
  EXPECT_EQ(line.lookupClass, foo);
}

TEST_F(Sends, UnrecoverableSendStopsTheProcessWithFourLines) {
  ObjectRef process =
      processFor(makeMethod({{0x50, 0x81, 0x90, kStackReturn}, {intern("frobnicate")}}), nilObj);
  testing::internal::CaptureStderr();
  // A small integer before any class Integer exists.
  EXPECT_FALSE(execute(process, kSlice));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.rfind("can't find\nerror recovery method\n", 0), 0u) << err;
  EXPECT_NE(err.find("\n:debug:\n"), std::string::npos) << err;
}

TEST_F(Sends, WatchedMethodGoesThroughWatchWith) {
  ObjectRef watched = install(foo, "bar", answering(smallInt(1)));
  storeWord(watched, kMethodWatch, trueObj);
  ObjectRef methodClass = globalValue("Method");
  // Method>>watchWith: answers its receiver's word 1 (the watched Method's
  // selector), then, reinstalled, its argument.
  install(methodClass, "watchWith:", makeMethod({{0x11, kStackReturn}}));
  ObjectRef obj = instanceOf(foo, {nilObj});
  EXPECT_EQ(sendUnary(obj, "bar").word, smallInt(1).word);  // watching is off
  toggleWatching();
  EXPECT_EQ(sendUnary(obj, "bar"), intern("bar"));  // the Method's own word 1
  install(methodClass, "watchWith:", makeMethod({{0x21, kStackReturn}}));
  ObjectRef args = sendUnary(obj, "bar");
  ASSERT_EQ(wordCount(args), 1u);
  EXPECT_EQ(wordAt(args, 0), obj);
}

TEST_F(Sends, WatchedMethodWithoutWatchMethodFails) {
  ObjectRef watched = install(foo, "bar", answering(smallInt(1)));
  storeWord(watched, kMethodWatch, trueObj);
  toggleWatching();
  ObjectRef process = processFor(
      makeMethod({{0x40, 0x81, 0x91, kStackReturn}, {instanceOf(foo, {nilObj}), intern("bar")}}),
      nilObj);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(execute(process, kSlice));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "can't find\nwatch method\n");
}

struct PrimitiveCallCase {
  std::vector<uint8_t> code;
  ObjectRef expected;
};

class PrimitiveCall : public Sends, public ::testing::WithParamInterface<PrimitiveCallCase> {};

// Arguments are replaced by the answer; the method goes on either way.
TEST_P(PrimitiveCall, ReplacesItsArgumentsByTheAnswer) {
  const PrimitiveCallCase& c = GetParam();
  ObjectRef process = processFor(makeMethod({c.code}), nilObj);
  EXPECT_EQ(runToEnd(process).word, c.expected.word);
  EXPECT_EQ(processDepth(process), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Interp, PrimitiveCall,
    ::testing::Values(
        PrimitiveCallCase{{0x52, 0x52, 0xD2, 60, kStackReturn}, smallInt(4)},
        PrimitiveCallCase{{0x52, 0xD1, 7, kStackReturn}, nilObj},     // unimplemented
        PrimitiveCallCase{{0x52, 0xD1, 200, kStackReturn}, nilObj},   // past the table
        PrimitiveCallCase{{0xD0, 7, kStackReturn}, nilObj},
        PrimitiveCallCase{{0x52, 0xD1, 60, kStackReturn}, nilObj},    // second argument nil
        PrimitiveCallCase{{0x51, 0x52, 0xD1, 60, 0xF5, kStackReturn}, smallInt(1)}));

TEST_F(Sends, CollectionDuringARunKeepsTheProcessAndWhatItHolds) {
  // receiver: a fresh object held only by the stack; collect without fresh
  // roots (primitive 153), then answer its instance variable 0.
  ObjectRef receiver = newPointerObject(1);
  storeWord(receiver, 0, smallInt(31));
  ObjectRef process = processFor(makeMethod({{0x57, 0xD1, 153, 0xF5, 0x10, kStackReturn}}), receiver);
  clearFresh(receiver);
  EXPECT_EQ(runToEnd(process).word, smallInt(31).word);
  EXPECT_FALSE(isAvail(receiver.Index()));
}

TEST_F(Sends, NestedRunRestoresTheRegistersAndKeepsBothProcesses) {
  // Inner: collect without fresh roots, then answer 5.
  ObjectRef inner =
      processFor(makeMethod({{0x57, 0xD1, 153, 0xF5, 0x40, kStackReturn}, {smallInt(5)}}), nilObj);
  // Outer, on a receiver held only by its stack: iv1 := the answer of a
  // nested slice of the inner process (primitive 19); answer iv0.
  ObjectRef receiver = newPointerObject(2);
  storeWord(receiver, 0, smallInt(31));
  ObjectRef outer =
      processFor(makeMethod({{0x40, 0xD1, 19, 0x61, 0xF5, 0x10, kStackReturn}, {inner}}), receiver);
  clearFresh(receiver);
  EXPECT_EQ(runToEnd(outer).word, smallInt(31).word);
  EXPECT_EQ(wordAt(receiver, 1), falseObj);  // the inner process finished
  EXPECT_EQ(processTop(inner).word, smallInt(5).word);
  EXPECT_FALSE(isAvail(receiver.Index()));
  EXPECT_EQ(interp.running, nullptr);
  EXPECT_EQ(interp.nesting, 0);
}

TEST_F(Sends, TraceLinesCountDown) {
  install(foo, "bar", answering(smallInt(1)));
  ObjectRef obj = instanceOf(foo, {nilObj});
  setTraceCounter(kTraceBytecodes, 2);
  setTraceCounter(kTracePrimitives, 1);
  setTraceCounter(kTraceMessages, 1);
  testing::internal::CaptureStderr();
  run({{0x51, 0x52, 0xB0, 0xF5, 0x40, 0x81, 0x91, 0xF5, 0x51, 0x51, 0xB0, kStackReturn},
       {obj, intern("bar")}});
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "2: 5 1  (bytePushConstant)\n"
            "1: 5 2  (bytePushConstant)\n"
            "1: <60>\n"
            "1: bar\n");
  for (int which = 0; which < kTraceCounterCount; ++which) EXPECT_EQ(traceCounters[which], 0);
}

TEST_F(Sends, ExtendedFormIsTracedWithItsFullOperand) {
  setTraceCounter(kTraceBytecodes, 1);
  testing::internal::CaptureStderr();
  run({{0x04, 0x11, kStackReturn}, std::vector<ObjectRef>(18, smallInt(0))});
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "1: 4 17  (bytePushLiteral)\n");
}

// The run loop picks its traced dispatch when a primitive turns the bytecode
// trace on, and leaves it when the counter runs out in the middle of a method.
TEST_F(Sends, BytecodeTraceStartsRightAfterThePrimitiveThatTurnsItOn) {
  testing::internal::CaptureStderr();
  // 0 (bytecodes) and 2: the trace counter; then popTop, push 0, push 1, +, return.
  run({{0x50, 0x52, 0xD2, 151, 0xF5, 0x50, 0x51, 0xB0, kStackReturn}, {}});
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "2: 15 5  (byteDoSpecial)\n"
            "1: 5 0  (bytePushConstant)\n");
  EXPECT_EQ(traceCounters[kTraceBytecodes], 0);
}

TEST_F(Sends, SelfReturnFromACalleeResumesTheCaller) {
  install(foo, "me", makeMethod({{kSelfReturn}}));
  ObjectRef obj = instanceOf(foo, {nilObj});
  EXPECT_EQ(sendUnary(obj, "me"), obj);
}

}  // namespace
