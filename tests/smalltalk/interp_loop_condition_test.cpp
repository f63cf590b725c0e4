// `[condition] whileTrue: [...]` compiled from source: the condition block
// runs inside its method's frame, and the run loop makes the duplicate and
// the "value" send of each pass at once. Slices must still end after exactly
// their steps, and the send must still find what the method cache says.
#include <gtest/gtest.h>

#include <string>

#include "compiler_support.h"
#include "interp_test_support.h"

namespace {

class LoopCondition : public InterpWorld {
 protected:
  void SetUp() override {
    InterpWorld::SetUp();
    block = makeClass("Block",
                      {"context", "argumentCount", "argumentLocation", "bytePointer", "active", "spare"});
    ASSERT_TRUE(loadClassVariables(block));
    define(block, "enter\n    <28 context bytePointer>");
    define(block, "value\n    argumentCount = 0 ifFalse: [^ false].\n    ^ self enter");
    loadClassVariables(nilObj);
  }
  void TearDown() override {
    loadClassVariables(nilObj);
    InterpWorld::TearDown();
  }

  void define(ObjectRef cls, const std::string& source) {
    ASSERT_TRUE(loadClassVariables(cls));
    const Compiled c = compileText(source);
    ASSERT_TRUE(c.ok) << source << "\n" << c.errors;
    install(cls, charsOf(wordAt(c.method, kMethodSelector)), c.method);
  }

  ObjectRef processOf(const std::string& source) {
    loadClassVariables(nilObj);
    const Compiled c = compileText(source);
    EXPECT_TRUE(c.ok) << source << "\n" << c.errors;
    return newEvaluationProcess(c.method);
  }

  ObjectRef block = nilObj;
};

constexpr const char* kCountToAHundred =
    "goDoIt\n    | i |\n    i := 0.\n    [i < 100] whileTrue: [i := i + 1].\n    ^ i";

// Slices of 2 steps run one instruction each, which counts them all; a
// slice of n steps then leaves ceil(total / (n - 1)) - 1 slices that end
// with the process still running. A first run fills the method cache, so
// that every counted run makes its sends alike (a send that misses the
// cache activates Block>>value and runs its instructions).
TEST_F(LoopCondition, EverySliceEndsAfterExactlyItsSteps) {
  runToEnd(processOf(kCountToAHundred));
  int single = 0;
  EXPECT_EQ(runToEnd(processOf(kCountToAHundred), &single, 2).word, smallInt(100).word);
  const int total = single + 1;
  for (int32_t steps : {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 17, 100, kSlice}) {
    SCOPED_TRACE(steps);
    int slices = 0;
    EXPECT_EQ(runToEnd(processOf(kCountToAHundred), &slices, steps).word, smallInt(100).word);
    EXPECT_EQ(slices, (total + steps - 2) / (steps - 1) - 1);
  }
}

// Every word above a process's depth is nil between slices: a new frame's
// temporaries are taken to be nil already, and the collector keeps what
// the stack holds. A condition run's mark and value must come off whole,
// at every point where a slice may end.
TEST_F(LoopCondition, NothingStaysAboveTheTopBetweenSlices) {
  const ObjectRef process = processOf(
      "goDoIt\n    | i j |\n    i := 0. j := 0.\n"
      "    [i := i + 1. i < 20 ifTrue: [j := j + 1]. i < 40] whileTrue: [j := j + 2].\n"
      "    ^ j");
  bool running = true;
  int slices = 0;
  while (running) {
    running = execute(process, 4);
    ++slices;
    const ObjectRef stack = wordAt(process, kProcessStack);
    const uint32_t depth = static_cast<uint32_t>(wordAt(process, kProcessDepth).intValue());
    for (uint32_t i = depth; i < wordCount(stack); ++i)
      ASSERT_EQ(wordAt(stack, i), nilObj) << "slice " << slices << ", word " << i + 1;
  }
  EXPECT_EQ(processTop(process).word, smallInt(19 + 2 * 39).word);
}

// A new Block>>value installed while the loop runs is what the next pass
// sends: here it answers false, and the loop ends early.
TEST_F(LoopCondition, ANewValueMethodTakesOverAtTheNextPass) {
  const ObjectRef process = processOf(kCountToAHundred);
  ASSERT_TRUE(execute(process, 200));
  define(block, "value\n    ^ false");
  while (execute(process, kSlice)) {
  }
  const ObjectRef answer = processTop(process);
  ASSERT_TRUE(answer.isValue());
  EXPECT_GT(answer.intValue(), 0);
  EXPECT_LT(answer.intValue(), 100);
}

// A condition block whose argument count was changed fails Block>>value's
// guard: the method's own answer (false) ends the loop, as the full send
// would.
TEST_F(LoopCondition, ABlockThatFailsTheGuardTakesTheMethodsPath) {
  const ObjectRef process = processOf(
      "goDoIt\n    | i b |\n    i := 0.\n    b := [i < 100].\n"
      "    b whileTrue: [i := i + 1. i = 5 ifTrue: [<31 b 2 1>]].\n    ^ i");
  EXPECT_EQ(runToEnd(process).word, smallInt(5).word);
}

// What a pass finds is kept for the passes after it, as long as nothing
// it depends on changes: a condition block given another class mid-loop is
// sent "value" as that class answers it (here false, which ends the loop).
TEST_F(LoopCondition, ABlockGivenAnotherClassTakesThatClasssValue) {
  const ObjectRef other = makeClass("OtherBlock", {"context", "argumentCount", "argumentLocation",
                                                   "bytePointer", "active", "spare"});
  define(other, "value\n    ^ false");
  const ObjectRef process = processOf(
      "goDoIt\n    | i b |\n    i := 0.\n    b := [i < 100].\n"
      "    b whileTrue: [i := i + 1. i = 7 ifTrue: [<22 b (<87 'OtherBlock'>)>]].\n    ^ i");
  EXPECT_EQ(runToEnd(process).word, smallInt(7).word);
}

// A block sent "value" again after its entry point was changed runs the
// code it now names, whatever an earlier send found for it.
TEST_F(LoopCondition, ABlockWithANewEntryPointRunsItsNewCode) {
  const ObjectRef process = processOf(
      "goDoIt\n    | b c first |\n    b := [1]. c := [2].\n    first := b value. first := b value.\n"
      "    <31 b 4 (<25 c 4>)>.\n    ^ first * 10 + b value");
  EXPECT_EQ(runToEnd(process).word, smallInt(12).word);
}

// Two loops, one inside the other, ask in turn for their own condition.
TEST_F(LoopCondition, NestedConditionsEachKeepTheirOwnBlock) {
  const ObjectRef process = processOf(
      "goDoIt\n    | i j n |\n    i := 0. n := 0.\n"
      "    [i < 30] whileTrue: [j := 0. [j < i] whileTrue: [j := j + 1. n := n + 1]. i := i + 1].\n"
      "    ^ n");
  EXPECT_EQ(runToEnd(process).word, smallInt(29 * 30 / 2).word);
}

// A Block>>enter that takes the Context from another word than the first
// (here the sixth, "spare") is asked again for each new block: a condition
// block of the second activation whose sixth word names the first
// activation's Context runs there, as a block, not inside the second frame.
TEST_F(LoopCondition, AnotherEnterIsAskedAgainForEachBlock) {
  define(block, "enter\n    <28 spare bytePointer>");
  const ObjectRef looper = makeClass("Looper", {"saved"});
  define(looper,
         "count: home\n    | i b |\n    i := 0.\n    b := [i := i + 1. i < 3].\n"
         "    saved := currentInterpreter.\n"
         "    <31 b 6 (home isNil ifTrue: [saved] ifFalse: [home])>.\n"
         "    b whileTrue: [].\n    ^ i");
  const ObjectRef process = processOf(
      "goDoIt\n    | l first second |\n    l := <22 (<58 1>) (<87 'Looper'>)>.\n"
      "    first := l count: nil.\n    second := l count: (<25 l 1>).\n"
      "    ^ first * 10 + second");
  // The first count runs its condition three times in its own frame; the
  // second one's condition counts on in the first one's i (to 4) and ends.
  EXPECT_EQ(runToEnd(process).word, smallInt(30).word);
}

}  // namespace
