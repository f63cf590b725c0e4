// The run loop, the interpreter registers and the interpreter's roots.
#include "smalltalk/interpreter.h"

#include "smalltalk/collector.h"
#include "smalltalk/inline_loop.h"
#include "smalltalk/interp_handlers.h"
#include "smalltalk/interp_inline.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/native_methods.h"
#include "smalltalk/special_selectors.h"
#include "smalltalk/symbols.h"
#include "smalltalk/trace.h"
#include "smalltalk/send.h"

InterpreterRegisters interp;

ObjectRef unaryTable[kUnaryTableSlots];
ObjectRef binaryTable[kBinaryTableSlots];
ObjectRef atPutSelector = nilObj;

namespace {

// Everything the running executions hold outside the heap: the registers, and
// per execution its process, stack, Context, receiver and method parts (so a
// method replaced while it runs keeps its code), and the registers it saved.
void visitInterpreterRoots(RootVisitor visit) {
  visit(interp.currentMethod);
  visit(interp.currentSelector);
  for (const ExecutionState* es = interp.running; es != nullptr; es = es->outer) {
    const ObjectRef held[] = {es->process,        es->stack,        es->context,
                              es->receiverObject, es->method,       es->literalArray,
                              es->bytecodeArray,  es->saved.currentMethod,
                              es->saved.currentSelector};
    for (ObjectRef ref : held) visit(ref);
  }
}

void registerWithCollector() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  registerRootEnumerator(visitInterpreterRoots);
  registerCollectionObserver(flushMethodCache);
}

// Loads the saved state of process into es; false when it has finished.
bool loadProcess(ExecutionState& es, ObjectRef process) {
  TOLVA_CHECK(isPointerObject(process) && wordCount(process) >= kProcessWords, kSourcePrototypes);
  es.process = process;
  es.stack = wordAt(process, kProcessStack);
  es.stackBase = pointerBody(es.stack, es.capacity);
  const int32_t depth = wordAt(process, kProcessDepth).intValue();
  const int32_t link = wordAt(process, kProcessLink).intValue();
  if (link == 0) return false;
  TOLVA_CHECK(depth >= 0 && static_cast<uint32_t>(depth) <= es.capacity, kSourcePrototypes);
  es.depth = static_cast<uint32_t>(depth);
  readFrame(es, link);
  return true;
}

// Writes the execution state back into the Process between slices.
void saveProcess(ExecutionState& es) {
  if (es.linkPosition != 0)
    stackAt(es, es.linkPosition + kFrameByteOffset) = smallInt(static_cast<int32_t>(es.byteOffset));
  storeWord(es.process, kProcessStack, es.stack);
  storeWord(es.process, kProcessDepth, smallInt(static_cast<int32_t>(es.depth)));
  storeWord(es.process, kProcessLink, smallInt(es.linkPosition));
}

bool run(ExecutionState& es) {
  const bool active = runInstructions(es);
  saveProcess(es);
  return active;
}

}  // namespace

bool execute(ObjectRef process, int32_t steps) {
  ExecutionState es;
  es.saved = interp;
  es.outer = interp.running;
  es.stepsLeft = steps;
  interp.running = &es;
  ++interp.nesting;
  const bool active = loadProcess(es, process) && run(es);
  interp = es.saved;
  return active;
}

int32_t* runningStepCounter() {
  return interp.running ? &interp.running->stepsLeft : nullptr;
}

bool isProcessRunning(ObjectRef process) {
  for (const ExecutionState* es = interp.running; es != nullptr; es = es->outer)
    if (es->process == process) return true;
  return false;
}

void setUpSpecialSelectors() {
  registerWithCollector();
  for (ObjectRef& slot : unaryTable) slot = nilObj;
  for (ObjectRef& slot : binaryTable) slot = nilObj;
  for (int i = 0; i < kUnarySelectorCount; ++i) unaryTable[i] = intern(kUnarySelectorNames[i]);
  for (int i = 0; i < kBinarySelectorCount; ++i) binaryTable[i] = intern(kBinarySelectorNames[i]);
  atPutSelector = intern("at:put:");
  setUpLoopSelectors();
  setUpNativeMethods();
}

void resetInterpreter() {
  interp = InterpreterRegisters{};
  for (ObjectRef& slot : unaryTable) slot = nilObj;
  for (ObjectRef& slot : binaryTable) slot = nilObj;
  atPutSelector = nilObj;
  resetInlineLoops();
  resetNativeMethods();
  flushMethodCache();
  resetTraceCounters();
  watching = false;
}
