#include "interp_test_support.h"
#include "prim_test_support.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/compiler.h"
#include "smalltalk/driver.h"
#include "smalltalk/memory_counters.h"
#include "smalltalk/send.h"
#include "smalltalk/trace.h"

namespace {

// A method of straight-line code that needs more than one nested slice.
std::string longRunningSource() {
  std::string text = "goDoIt | i | i := 0.";
  for (int k = 0; k < 3000; ++k) text += " i := i + 1.";
  return text + " ^ i";
}

// A process running the compiled text as a method of nil.
ObjectRef processOf(const std::string& source) {
  ObjectRef method = newMethod();
  ::testing::internal::CaptureStderr();
  bool ok = compileMethod(method, source.c_str(), false);
  std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(ok) << source << "\n" << errors;
  return newEvaluationProcess(method);
}

using SystemPrims = InterpWorld;

TEST_F(SystemPrims, WatchingToggles) {
  EXPECT_EQ(prim(5), trueObj);
  EXPECT_TRUE(watching);
  EXPECT_EQ(prim(5), falseObj);
  EXPECT_FALSE(watching);
}

TEST_F(SystemPrims, NestedSliceRunsAnotherProcess) {
  ObjectRef child = processOf("goDoIt ^ 40 + 2");
  setGlobal("Child", child);
  ObjectRef parent = processOf("goDoIt ^ <19 (<87 'Child'>)>");
  EXPECT_EQ(runToEnd(parent), falseObj);  // the child finished within its slice
  EXPECT_EQ(processTop(child), smallInt(42));
  EXPECT_EQ(interp.nesting, 0);

  // A child that outlives its slice answers true and can be resumed.
  ObjectRef looping = processOf(longRunningSource());
  setGlobal("Child", looping);
  EXPECT_EQ(runToEnd(processOf("goDoIt ^ <19 (<87 'Child'>)>")), trueObj);
  EXPECT_EQ(runToEnd(looping), smallInt(3000));
}

TEST_F(SystemPrims, DirectSliceThenResume) {
  ObjectRef looping = processOf(longRunningSource());
  EXPECT_TRUE(execute(looping, 4096));
  EXPECT_EQ(runToEnd(looping), smallInt(3000));
}

TEST_F(SystemPrims, FailedSendEndsOnlyTheNestedProcess) {
  setGlobal("Child", processOf("goDoIt ^ nil fooBar"));
  ObjectRef parent = processOf("goDoIt | r | r := <19 (<87 'Child'>)>. ^ <21 r false>");
  ::testing::internal::CaptureStderr();
  ObjectRef result = runToEnd(parent);
  std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("can't find"), std::string::npos);
  EXPECT_EQ(result, trueObj);  // the parent went on after the child's failure
}

TEST_F(SystemPrims, NestedRunRefusesRunningAndMalformedProcesses) {
  ObjectRef parent = processOf("goDoIt ^ <19 (<87 'Me'>)>");
  setGlobal("Me", parent);
  EXPECT_EQ(runToEnd(parent), nilObj);
  for (ObjectRef bad : {smallInt(3), newArray(3), newArray(0), str("abc"), globalValue("Object")})
    EXPECT_EQ(prim(19, {bad}), nilObj);
  ObjectRef broken = processOf("goDoIt ^ 1");
  storeWord(broken, kProcessLink, smallInt(500));  // a link past the depth
  EXPECT_EQ(prim(19, {broken}), nilObj);
  storeWord(broken, kProcessLink, smallInt(2));
  storeWord(wordAt(broken, kProcessStack), 4, str("not a method"));
  EXPECT_EQ(prim(19, {broken}), nilObj);
}

// Process k runs process k + 1 in a nested slice; the 65th nested run is refused.
TEST_F(SystemPrims, NestingStopsAtSixtyFourLevels) {
  constexpr int kChain = 70;
  std::vector<ObjectRef> processes;
  for (int k = 0; k < kChain; ++k) {
    std::string next = "P" + std::to_string(k + 1);
    std::string source = k + 1 < kChain ? "goDoIt ^ <19 (<87 '" + next + "'>)>" : "goDoIt ^ 5";
    ObjectRef p = processOf(source);
    setGlobal(("P" + std::to_string(k)).c_str(), p);
    processes.push_back(p);
  }
  runToEnd(processes[0]);
  EXPECT_EQ(processTop(processes[64]), nilObj);   // its run of process 65 was refused
  EXPECT_EQ(processTop(processes[63]), falseObj); // process 64 ran and finished
  EXPECT_EQ(wordAt(processes[65], kProcessLink), smallInt(kEvaluationLink));  // never started
  EXPECT_EQ(interp.nesting, 0);
}

TEST_F(SystemPrims, SliceBudgetEndsTheRunningSlice) {
  ObjectRef p = processOf("goDoIt <53 2>. ^ 1 + 2");
  EXPECT_TRUE(execute(p, kSlice));  // the budget ran out right after the primitive
  EXPECT_FALSE(execute(p, kSlice));
  EXPECT_EQ(processTop(p), smallInt(3));
  EXPECT_EQ(prim(53, {smallInt(5)}), nilObj);  // nothing running: no effect
}

TEST_F(SystemPrims, UnwindAndCallerContextNeedARunningFrame) {
  ObjectRef ctx = newContext(newMethod(), newArray(1), newArray(0), 2);
  EXPECT_EQ(prim(18, {ctx}), falseObj);
  EXPECT_EQ(prim(18, {smallInt(4)}), nilObj);
  EXPECT_EQ(prim(28, {nilObj, smallInt(1)}), nilObj);
  // Inside a running method whose caller is the outermost frame's link 0.
  EXPECT_EQ(runToEnd(processOf("goDoIt ^ <28 nil 1>")), nilObj);
}

TEST_F(SystemPrims, CacheFlushAndCompile) {
  ObjectRef sel = intern("someSelector");
  methodCache[5].selector = sel;
  methodCache[9].selector = sel;
  methodCache[7].selector = intern("other");
  EXPECT_EQ(prim(38, {sel, nilObj}), sel);
  EXPECT_NE(methodCache[5].selector, sel);
  EXPECT_NE(methodCache[9].selector, sel);
  EXPECT_EQ(methodCache[7].selector, intern("other"));
  EXPECT_EQ(prim(38, {smallInt(1), nilObj}), nilObj);

  ObjectRef cls = globalValue("Object");
  ObjectRef method = newMethod();
  methodCache[3].selector = intern("answer");
  EXPECT_EQ(prim(39, {cls, str("answer ^ 42"), method}), trueObj);
  EXPECT_EQ(wordAt(method, kMethodSelector), intern("answer"));
  EXPECT_EQ(wordAt(method, kMethodSource), nilObj);
  EXPECT_NE(methodCache[3].selector, intern("answer"));
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(prim(39, {cls, str("answer ^ )"), newMethod()}), falseObj);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(prim(39, {str("x"), str("answer ^ 1"), newMethod()}), nilObj);
  EXPECT_EQ(prim(39, {cls, str("answer ^ 1"), newArray(3)}), nilObj);
}

TEST_F(SystemPrims, TraceCounters) {
  EXPECT_EQ(prim(151, {smallInt(1), smallInt(2)}), smallInt(1));
  EXPECT_EQ(traceCounters[kTracePrimitives], 2);
  EXPECT_EQ(prim(151, {smallInt(3), smallInt(2)}), nilObj);
  EXPECT_EQ(prim(151, {smallInt(0), nilObj}), nilObj);
  EXPECT_TRUE(tracingAny());
  // A negative count is off, and leaves no other trace looking on.
  EXPECT_EQ(prim(151, {smallInt(1), smallInt(-5)}), smallInt(1));
  EXPECT_EQ(prim(151, {smallInt(0), smallInt(-1)}), smallInt(0));
  EXPECT_FALSE(tracing(kTracePrimitives));
  EXPECT_FALSE(tracingAny());
  resetTraceCounters();
}

TEST_F(SystemPrims, MemoryInformation) {
  const int32_t bytes = intOf(prim(42, {smallInt(80)}));
  const int32_t allocations = intOf(prim(42, {smallInt(81)}));
  ObjectRef big = prim(59, {smallInt(1000000)});
  ASSERT_NE(big, nilObj);
  EXPECT_GE(intOf(prim(42, {smallInt(80)})), bytes + 1000000);
  EXPECT_GT(intOf(prim(42, {smallInt(81)})), allocations);
  EXPECT_EQ(static_cast<uint32_t>(intOf(prim(42, {smallInt(82)}))), memoryCounters.releaseCount);
  EXPECT_EQ(static_cast<uint32_t>(intOf(prim(42, {smallInt(99)}))), freeEntriesBelowHead());
  for (int code : {2, 79, 100, -1}) EXPECT_EQ(prim(42, {smallInt(code)}), nilObj);
  EXPECT_EQ(prim(42, {str("80")}), nilObj);
}

TEST_F(SystemPrims, CommandLineAndStartupActions) {
  // The driver keeps the vector it is given, as a program's own argv: static.
  static char prog[] = "tolva";
  static char doit[] = "-doit";
  static char text[] = "3 printNl";
  static char* argv[] = {prog, doit, text, nullptr};
  startScriptSystem(3, argv);
  ObjectRef args = prim(42, {smallInt(0)});
  ASSERT_EQ(wordCount(args), 3u);
  EXPECT_EQ(textOfObject(wordAt(args, 0)), "tolva");
  EXPECT_EQ(textOfObject(wordAt(args, 2)), "3 printNl");
  EXPECT_EQ(classOf(wordAt(args, 1)), stringClass());
  ObjectRef actions = prim(42, {smallInt(1)});
  ASSERT_EQ(wordCount(actions), 1u);
  ObjectRef pair = wordAt(actions, 0);
  ASSERT_EQ(wordCount(pair), 2u);
  EXPECT_EQ(classOf(wordAt(pair, 0)), globalValue("Char"));
  EXPECT_EQ(wordAt(wordAt(pair, 0), 0), smallInt('d'));
  EXPECT_EQ(textOfObject(wordAt(pair, 1)), "3 printNl");
}

using SystemPrimsDeathTest = SystemPrims;

TEST_F(SystemPrimsDeathTest, FatalErrorPrintsAndStops) {
  EXPECT_EXIT(prim(152, {str("boom")}), ::testing::ExitedWithCode(1), "error: 'boom'\n");
  EXPECT_EXIT(prim(152, {smallInt(3)}), ::testing::ExitedWithCode(1), "error: ''\n");
}

}  // namespace
