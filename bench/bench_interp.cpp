// Interpreter speed on hand-assembled methods: simple instructions per
// second in an arithmetic loop, and send-and-return pairs per second through
// a cached monomorphic send.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "smalltalk/bootstrap.h"
#include "smalltalk/class_layout.h"
#include "smalltalk/collector.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/interpreter.h"
#include "smalltalk/name_table.h"
#include "smalltalk/object_table.h"
#include "smalltalk/process.h"
#include "smalltalk/symbols.h"

namespace {

constexpr int32_t kStepsPerRun = 1 << 20;

ObjectRef makeMethod(const std::vector<uint8_t>& code, const std::vector<ObjectRef>& literals,
                     int32_t temporaries) {
  ObjectRef m = newMethod();
  setGlobal("benchMethod", m);  // reachable for the whole run
  ObjectRef bytes = newByteArray(static_cast<uint32_t>(code.size()));
  std::memcpy(bytesOf(bytes), code.data(), code.size());
  storeWord(m, kMethodBytecodes, bytes);
  ObjectRef lits = newArray(static_cast<uint32_t>(literals.size()));
  for (uint32_t i = 0; i < literals.size(); ++i) storeWord(lits, i, literals[i]);
  storeWord(m, kMethodLiterals, lits);
  storeWord(m, kMethodStackSize, smallInt(6));
  storeWord(m, kMethodTemporaryCount, smallInt(temporaries));
  return m;
}

// Runs a never-ending method in slices; each slice runs kStepsPerRun - 1
// steps, and steps per item converts them to items.
void runLoop(benchmark::State& state, ObjectRef method, int stepsPerItem) {
  ObjectRef process = newEvaluationProcess(method);
  setGlobal("benchProcess", process);
  for (auto _ : state) benchmark::DoNotOptimize(execute(process, kStepsPerRun));
  state.SetItemsProcessed(state.iterations() * ((kStepsPerRun - 1) / stepsPerItem));
}

// t0 := 0, then forever t0 := (t0 + 1) bitAnd: 1023, so the counter never
// leaves the small integers. Eight instructions per round, every one a
// push, a fast-path arithmetic send, an assignment, a pop or a branch; items
// are instructions.
void BM_ArithmeticLoopInstructions(benchmark::State& state) {
  bootstrapObjectWorld();
  setUpInterpreter();
  ObjectRef method =
      makeMethod({0x50, 0x70, 0xF5,                    // t0 := 0
                  0x30, 0x51, 0xB0, 0x40, 0xBB, 0x70,  // t0 := t0 + 1 bitAnd: 1023
                  0xF5, 0xF6, 0x00, 0x04},             // pop; loop
                 {smallInt(1023)}, 1);
  runLoop(state, method, 1);
}
BENCHMARK(BM_ArithmeticLoopInstructions);

// Forever: receiver foo; pop, where Foo>>foo is the given code. Steps per
// round: push, send, pop and branch (the mark is free), plus the callee's own
// instructions when it is activated.
void runSendLoop(benchmark::State& state, std::vector<uint8_t> calleeCode, int stepsPerRound) {
  bootstrapObjectWorld();
  setUpInterpreter();
  ObjectRef foo = newClass("Foo");
  storeWord(foo, kClassInstanceSize, smallInt(0));
  ObjectRef callee = makeMethod(calleeCode, {smallInt(7)}, 0);
  storeWord(callee, kMethodClass, foo);
  storeWord(foo, kClassMethods, newDictionary());
  dictionaryAtPut(wordAt(foo, kClassMethods), intern("foo"), callee);
  ObjectRef receiver = newPointerObject(0);
  setClass(receiver, foo);
  // [1] push receiver [2] mark 1 [3] send foo [4] pop [5] branch 1
  ObjectRef method = makeMethod({0x40, 0x81, 0x91, 0xF5, 0xF6, 0x00, 0x01},
                                {receiver, intern("foo")}, 0);
  runLoop(state, method, stepsPerRound);
}

// Foo>>foo answers its literal: a real activation and return (a literal
// is not among what a method's shape may answer). Items are send-and-return
// pairs; six steps per round.
void BM_CachedSendAndReturn(benchmark::State& state) {
  runSendLoop(state, {0x40, 0xF2}, 6);
}
BENCHMARK(BM_CachedSendAndReturn);

// Foo>>foo answers self: the send is answered by the method's shape without
// an activation. Items are sends; four steps per round.
void BM_CachedSendAnsweredByShape(benchmark::State& state) {
  runSendLoop(state, {0xF1}, 4);
}
BENCHMARK(BM_CachedSendAnsweredByShape);

}  // namespace

BENCHMARK_MAIN();
