// Instructions of hand-assembled methods: pushes, assignments, branches,
// returns, slices, stack growth and Context creation.
#include <gtest/gtest.h>

#include <vector>

#include "interp_test_support.h"
#include "smalltalk/bytecodes.h"

namespace {

struct PushCase {
  const char* name;
  std::vector<uint8_t> code;
  int argumentCount;  // arguments 1..n hold the small integers 101, 102, ...
  ObjectRef expected;
};

class PushInstruction : public InterpWorld, public ::testing::WithParamInterface<PushCase> {};

TEST_P(PushInstruction, AnswersTheWordPushed) {
  const PushCase& c = GetParam();
  std::vector<ObjectRef> literals, args;
  for (int i = 0; i < 20; ++i) literals.push_back(smallInt(500 + i));
  for (int i = 1; i <= c.argumentCount; ++i) args.push_back(smallInt(100 + i));
  EXPECT_EQ(run({c.code, literals}, smallInt(100), args).word, c.expected.word) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Interp, PushInstruction,
    ::testing::Values(
        PushCase{"argument 0 is the receiver", {0x20, kStackReturn}, 0, smallInt(100)},
        PushCase{"short form argument 1", {0x21, kStackReturn}, 2, smallInt(101)},
        PushCase{"extended form argument 20", {0x02, 0x14, kStackReturn}, 20, smallInt(120)},
        PushCase{"literal 3", {0x43, kStackReturn}, 0, smallInt(503)},
        PushCase{"extended literal 17", {0x04, 0x11, kStackReturn}, 0, smallInt(517)},
        PushCase{"constant 0", {0x50, kStackReturn}, 0, smallInt(0)},
        PushCase{"constant 2", {0x52, kStackReturn}, 0, smallInt(2)},
        PushCase{"constant -1", {0x53, kStackReturn}, 0, ObjectRef{0xFFFFFFFFu}},
        PushCase{"constant nil", {0x55, kStackReturn}, 0, nilObj},
        PushCase{"constant true", {0x56, kStackReturn}, 0, trueObj},
        PushCase{"constant false", {0x57, kStackReturn}, 0, falseObj},
        PushCase{"duplicate then add", {0x52, kDuplicate, 0xB0, kStackReturn}, 0, smallInt(4)},
        PushCase{"self return", {0x52, kSelfReturn}, 0, smallInt(100)},
        PushCase{"pop keeps the word below", {0x51, 0x52, kPopTop, kStackReturn}, 0, smallInt(1)},
        PushCase{"instance variable of a small integer", {0x10, kStackReturn}, 0, nilObj}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

using Instructions = InterpWorld;

TEST_F(Instructions, InstanceVariablePlusOneAnswersBeforeTheTrailingReturn) {
  ObjectRef receiver = newPointerObject(1);
  storeWord(receiver, 0, smallInt(41));
  EXPECT_EQ(run({{0x10, 0x51, 0xB0, kStackReturn, kPopTop, kSelfReturn}}, receiver).word,
            smallInt(42).word);
}

TEST_F(Instructions, InstanceVariablesPastTheBodyReadNilAndIgnoreStores) {
  ObjectRef receiver = newPointerObject(2);
  storeWord(receiver, 0, smallInt(7));
  // iv1 := 2; iv15 := 2 (past the body: dropped); answer iv15.
  EXPECT_EQ(run({{0x52, 0x61, 0x6F, kPopTop, 0x1F, kStackReturn}}, receiver), nilObj);
  EXPECT_EQ(wordAt(receiver, 0).word, smallInt(7).word);
  EXPECT_EQ(wordAt(receiver, 1).word, smallInt(2).word);
  EXPECT_EQ(run({{0x11, kStackReturn}}, receiver).word, smallInt(2).word);
}

TEST_F(Instructions, AssignmentToATemporaryKeepsTheTop) {
  // t0 := 2; answer t0 + top (the 2 that stayed).
  EXPECT_EQ(run({{0x52, 0x70, 0x30, 0xB0, kStackReturn}, {}, 1}).word, smallInt(4).word);
}

struct BranchCase {
  uint8_t special;
  ObjectRef value;
  ObjectRef expected;  // 2 when the branch falls through
};

class Branch : public InterpWorld, public ::testing::WithParamInterface<BranchCase> {};

// [1] push 2, [2] push value, [3] branch to 7, [6] return top (fall through),
// [7] return top (jump taken).
TEST_P(Branch, JumpsOnlyOnItsValue) {
  const BranchCase& c = GetParam();
  ObjectRef method = makeMethod({{0x52, 0x40, c.special, 0x00, 0x07, kStackReturn, kStackReturn},
                                 {c.value}});
  EXPECT_EQ(runToEnd(processFor(method, nilObj)).word, c.expected.word);
}

INSTANTIATE_TEST_SUITE_P(
    Interp, Branch,
    ::testing::Values(BranchCase{0xF7, trueObj, nilObj},    // branchIfTrue leaves nil
                      BranchCase{0xF7, falseObj, smallInt(2)},
                      BranchCase{0xF7, nilObj, smallInt(2)},
                      BranchCase{0xF8, falseObj, nilObj},   // branchIfFalse
                      BranchCase{0xF8, trueObj, smallInt(2)},
                      BranchCase{0xF9, falseObj, falseObj},  // andBranch keeps false
                      BranchCase{0xF9, trueObj, smallInt(2)},
                      BranchCase{0xFA, trueObj, trueObj},    // orBranch keeps true
                      BranchCase{0xFA, falseObj, smallInt(2)},
                      BranchCase{0xF6, falseObj, falseObj}));  // branch always jumps

TEST_F(Instructions, OutermostReturnEndsTheProcessWithTheResultOnTop) {
  ObjectRef process = processFor(makeMethod({{0x52, kStackReturn}}), nilObj);
  EXPECT_FALSE(execute(process, kSlice));
  EXPECT_EQ(processDepth(process), 1u);
  EXPECT_EQ(processTop(process).word, smallInt(2).word);
  EXPECT_EQ(wordAt(process, kProcessLink).word, smallInt(0).word);
  EXPECT_FALSE(execute(process, kSlice));  // a finished process stays finished
}

// t0 := 0, then t0 := t0 + 1 forever: three instructions, then six per
// round, optionally with a mark that costs no step. A slice of 16,384 steps
// runs 16,383 instructions: the three and exactly 2,730 rounds.
class SliceBudget : public InterpWorld, public ::testing::WithParamInterface<bool> {};

TEST_P(SliceBudget, RunsOneInstructionLessThanItsSteps) {
  const bool withMark = GetParam();
  std::vector<uint8_t> code = {0x50, 0x70, kPopTop, 0x30, 0x51, 0xB0, 0x70, kPopTop, 0xF6, 0x00, 0x04};
  if (withMark) code.insert(code.begin() + 4, 0x81);  // marks t0 as a receiver
  ObjectRef process = processFor(makeMethod({code, {}, 1}), nilObj);
  EXPECT_TRUE(execute(process, kSlice));
  ObjectRef stack = wordAt(process, kProcessStack);
  // Link 2: the byte offset at position 6, t0 at 7, nothing above it.
  EXPECT_EQ(wordAt(stack, 6).word, smallInt(2730).word);
  EXPECT_EQ(processDepth(process), 7u);
  EXPECT_EQ(wordAt(stack, 5).word, smallInt(4).word);
  // The next slice resumes there: another 16,383 instructions are 2,730.5 rounds.
  EXPECT_TRUE(execute(process, kSlice));
  EXPECT_EQ(wordAt(stack, 6).word, smallInt(5460).word);
  EXPECT_EQ(processDepth(process), 8u);  // t0 and the sum not yet stored
  EXPECT_EQ(wordAt(stack, 7).word, smallInt(5461).word);
  EXPECT_EQ(wordAt(stack, 5).word, smallInt(withMark ? 8 : 7).word);  // the assignment next
}

INSTANTIATE_TEST_SUITE_P(Interp, SliceBudget, ::testing::Bool());

TEST_F(Instructions, LongLoopResumesAcrossSlices) {
  // [1] t0 := 0 [3] pop [4] push t0 [5] push 1 [6] + [7] t0 := [8] push 10000
  // [9] = [10] branchIfTrue 16 [13] branch 4 [16] push t0 [17] return top
  std::vector<uint8_t> code = {0x50, 0x70, kPopTop, 0x30, 0x51, 0xB0, 0x70, 0x40, 0xB6,
                               0xF7, 0x00, 0x10, 0xF6, 0x00, 0x04, 0x30, kStackReturn};
  int slices = 0;
  ObjectRef result =
      runToEnd(processFor(makeMethod({code, {smallInt(10000)}, 1}), nilObj), &slices, 1000);
  EXPECT_EQ(result.word, smallInt(10000).word);
  EXPECT_GT(slices, 50);
}

// `true whileTrue: [t0 := t0 + 1. t0 = 100 ifTrue: [^ t0]]` as the compiler
// lays out such a loop: duplicate, "value", branchIfFalse at its head. With
// true answering itself to value the run loop passes over those three at
// once; every slice must still end after exactly its steps less one
// instructions. Slices of 2 steps run one instruction each, which counts
// them all; a slice of n steps then leaves ceil(total / (n - 1)) - 1 slices
// that end with the process still running.
ObjectRef trueWhileTrueToAHundred() {
  const std::vector<uint8_t> code = {
      0x50, 0x70, kPopTop, 0x56,                    // [1] t0 := 0. push true
      0xF4, 0xA2, 0xF8, 0x00, 0x1A,                 // [5] dup, value, branchIfFalse 26
      0x30, 0x51, 0xB0, 0x70, kPopTop,              // [10] t0 := t0 + 1
      0x30, 0x40, 0xB6, 0xF7, 0x00, 0x1A,           // [15] t0 = 100: branchIfTrue 26
      0xF6, 0x00, 0x05, 0x55, kPopTop,              // [21] branch 5; (unreached)
      0x30, kStackReturn};                          // [26] ^ t0
  return makeMethod({code, {smallInt(100)}, 1});
}

TEST_F(Instructions, TrueWhileTrueLoopCountsEveryStep) {
  install(classOf(trueObj), "value", makeMethod({{kSelfReturn}}));
  const ObjectRef method = trueWhileTrueToAHundred();
  int single = 0;
  EXPECT_EQ(runToEnd(processFor(method, nilObj), &single, 2).word, smallInt(100).word);
  const int total = single + 1;
  EXPECT_EQ(total, 4 + 100 * 13 + 1);  // set-up, 100 rounds of 13, the return
  for (int32_t steps : {3, 4, 5, 6, 7, 13, 14, 15, 100, kSlice}) {
    SCOPED_TRACE(steps);
    int slices = 0;
    EXPECT_EQ(runToEnd(processFor(method, nilObj), &slices, steps).word, smallInt(100).word);
    EXPECT_EQ(slices, (total + steps - 2) / (steps - 1) - 1);
  }
}

// The same loop with a True>>value installed after some rounds that answers
// false: the next head sends it, and the loop ends there.
TEST_F(Instructions, TrueWhileTrueHeadSeesANewValueMethod) {
  install(classOf(trueObj), "value", makeMethod({{kSelfReturn}}));
  const ObjectRef process = processFor(trueWhileTrueToAHundred(), nilObj);
  ASSERT_TRUE(execute(process, 200));
  install(classOf(trueObj), "value", makeMethod({{0x57, kStackReturn}}));  // ^ false
  const ObjectRef answer = runToEnd(process);
  ASSERT_TRUE(answer.isValue());
  EXPECT_GT(answer.intValue(), 0);
  EXPECT_LT(answer.intValue(), 100);
}

// The caller's temporaries bring the depth at the send to 40 (or less); the
// callee has stack size 6 and 4 temporaries.
class StackGrowth : public InterpWorld,
                    public ::testing::WithParamInterface<std::pair<int, uint32_t>> {};

TEST_P(StackGrowth, GrowsByTheLargerOfNeedAnd128) {
  const auto [callerTemporaries, expectedWords] = GetParam();
  ObjectRef cls = globalValue("UndefinedObject");
  // 1 + 1: a send, so that the method is activated rather than answered by its shape.
  install(cls, "deep", makeMethod({{0x51, 0x51, 0xB0, kStackReturn}, {}, 4, 6}));
  // push nil; mark 1; send #deep; return the answer.
  ObjectRef caller =
      makeMethod({{0x55, 0x81, 0x90, kStackReturn}, {intern("deep")}, callerTemporaries});
  ObjectRef process = processFor(caller, nilObj, {}, 50);
  EXPECT_EQ(runToEnd(process).word, smallInt(2).word);
  EXPECT_EQ(wordCount(wordAt(process, kProcessStack)), expectedWords);
}

// Depth at activation = 6 + temporaries + 1 (the receiver pushed).
INSTANTIATE_TEST_SUITE_P(Interp, StackGrowth,
                         ::testing::Values(std::make_pair(33, 178u),   // depth 40: grows
                                           std::make_pair(27, 50u),    // depth 34: fits exactly
                                           std::make_pair(28, 178u)));  // depth 35: one short

TEST_F(Instructions, PushesBeyondTheRecordedStackSizeGetRoom) {
  // Stack size 0, yet 300 pushes of 1 summed pairwise at the end.
  std::vector<uint8_t> code(300, 0x51);
  for (int i = 0; i < 299; ++i) code.push_back(0xB0);
  code.push_back(kStackReturn);
  ObjectRef process = processFor(makeMethod({code, {}, 0, 0}), nilObj, {}, 20);
  EXPECT_EQ(runToEnd(process).word, smallInt(300).word);
  EXPECT_GE(wordCount(wordAt(process, kProcessStack)), 300u);
}

TEST_F(Instructions, ContextIsCreatedOnceAndHoldsTheFrame) {
  // push context, pop; t0 := 2 (goes into the Context); answer the context.
  ObjectRef method = makeMethod({{kPushContext, kPopTop, 0x52, 0x70, kPopTop, kPushContext,
                                  kStackReturn},
                                 {},
                                 2});
  ObjectRef process = processFor(method, smallInt(9), {smallInt(8)});
  ObjectRef context = runToEnd(process);
  ASSERT_EQ(classOf(context), globalValue("Context"));
  EXPECT_EQ(wordAt(context, kContextLink).word, smallInt(3).word);  // receiver, 1 argument
  EXPECT_EQ(wordAt(context, kContextMethod), method);
  ObjectRef args = wordAt(context, kContextArguments);
  ASSERT_EQ(wordCount(args), 2u);
  EXPECT_EQ(wordAt(args, 0).word, smallInt(9).word);
  EXPECT_EQ(wordAt(args, 1).word, smallInt(8).word);
  ObjectRef temps = wordAt(context, kContextTemporaries);
  ASSERT_EQ(wordCount(temps), 2u);
  EXPECT_EQ(wordAt(temps, 0).word, smallInt(2).word);
  EXPECT_EQ(wordAt(wordAt(process, kProcessStack), 7), nilObj);  // the stack copy is unused
}

TEST_F(Instructions, SecondContextPushAnswersTheSameContext) {
  // t0 := the context; answer the context again: its temporaries hold itself.
  ObjectRef context = run({{kPushContext, 0x70, kPopTop, kPushContext, kStackReturn}, {}, 1});
  ASSERT_EQ(classOf(context), globalValue("Context"));
  EXPECT_EQ(wordAt(wordAt(context, kContextTemporaries), 0), context);
}

TEST_F(Instructions, ArgumentsAndTemporariesAfterContextCreationComeFromTheContext) {
  // After the Context exists, argument 1 and temporary 0 are read from it.
  ObjectRef method =
      makeMethod({{kPushContext, kPopTop, 0x21, 0x70, kPopTop, 0x30, kStackReturn}, {}, 1});
  EXPECT_EQ(runToEnd(processFor(method, nilObj, {smallInt(77)})).word, smallInt(77).word);
}

}  // namespace
