// Frames on the process stack: reading a frame, activation with stack growth,
// return, and the on-demand Context.
#include <algorithm>

#include "smalltalk/class_layout.h"
#include "smalltalk/collector.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/interp_inline.h"

namespace {

// The helpers below run on every send and return; keep them in their callers.
#define TOLVA_HOT [[gnu::always_inline]] inline

// A Method: a pointer object with at least the eight Method words.
bool isMethod(ObjectRef m) { return hasWords(m, kMethodWords); }

// A non-negative small integer word of a Method.
uint32_t methodCount(ObjectRef m, uint32_t word) {
  const int32_t value = bodyOf(m)[word].intValue();
  TOLVA_CHECK(value >= 0, kSourcePrototypes);
  return static_cast<uint32_t>(value);
}

// Anything with the Context words that the interpreter reads.
bool isContext(ObjectRef c) { return hasWords(c, kContextTemporaries + 1); }

TOLVA_HOT void loadMethod(ExecutionState& es, ObjectRef m) {
  TOLVA_CHECK(isMethod(m), kSourcePrototypes);
  es.method = m;
  interp.currentMethod = m;
  const ObjectRef* words = bodyOf(m);
  es.literalArray = words[kMethodLiterals];
  es.literals = pointerBody(es.literalArray, es.literalCount);
  es.bytecodeArray = words[kMethodBytecodes];
  const ObjectRef code = es.bytecodeArray;
  const bool bytes = !code.isValue() && code != pointerList && !isPointerObject(code);
  es.bytecodes = bytes ? bytesOf(code) : nullptr;
  es.codeSize = bytes && es.bytecodes ? byteSize(code) : 0;
}

TOLVA_HOT void loadReceiver(ExecutionState& es) {
  TOLVA_CHECK(es.argumentCount >= 1, kSourcePrototypes);
  es.receiverObject = es.arguments[0];
  if (es.receiverObject == pointerList) internalError("es->receiverObject != pointerList", kSourcePrototypes);
  es.receiverBody = pointerBody(es.receiverObject, es.receiverWords);
}

// Arguments and temporaries of a frame that lives on the stack.
TOLVA_HOT void bindStackFrame(ExecutionState& es, uint32_t temporaries) {
  const int32_t L = es.linkPosition;
  es.context = es.stack;
  es.contextBody = es.stackBase;
  es.arguments = &stackAt(es, es.returnPoint);
  es.argumentCount = static_cast<uint32_t>(L - es.returnPoint);
  es.temporaries = es.stackBase + (L + kFrameTemporaries - 1);
  // A method changed under a running frame may claim more temporaries than
  // the stack holds; only words inside the stack are ever addressed.
  es.temporaryCount = std::min<uint32_t>(temporaries, es.capacity - (L + kFrameByteOffset));
}

}  // namespace

// Moves the stack to a new Array with room for extra more words: it grows by
// the largest of extra, kStackGrowthMinimum and half the capacity, within
// kMaxProcessStackWords. A stack that cannot hold depth + extra words within
// that bound stops the system ("process stack overflow" and the words it
// would need).
void growStack(ExecutionState& es, uint32_t extra) {
  const uint64_t needed = uint64_t{es.depth} + extra;
  if (needed > kMaxProcessStackWords) fatalNumber("process stack overflow", static_cast<long long>(needed));
  const uint64_t step = std::max<uint64_t>({extra, kStackGrowthMinimum, es.capacity / kStackGrowthDivisor});
  const uint64_t words = std::min<uint64_t>(es.capacity + step, kMaxProcessStackWords);
  ObjectRef grown = newArray(static_cast<uint32_t>(words));
  ObjectRef* base = bodyOf(grown);
  for (uint32_t i = 0; i < es.depth; ++i) {
    storeBarrier(es.stackBase[i]);
    base[i] = es.stackBase[i];
  }
  storeWord(es.process, kProcessStack, grown);
  if (es.context == es.stack) {
    es.context = grown;
    es.contextBody = base;
    es.arguments = base + (es.arguments - es.stackBase);
    es.temporaries = base + (es.temporaries - es.stackBase);
  }
  es.stack = grown;
  es.stackBase = base;
  es.capacity = static_cast<uint32_t>(words);
  es.receiverBody = pointerBody(es.receiverObject, es.receiverWords);
}

void readFrame(ExecutionState& es, int32_t L) {
  TOLVA_CHECK(L >= 1 && static_cast<int64_t>(L) + kFrameByteOffset <= es.depth, kSourcePrototypes);
  es.linkPosition = L;
  const ObjectRef context = stackAt(es, L + kFrameContext);
  es.returnPoint = stackAt(es, L + kFrameReturnPoint).intValue();
  es.byteOffset = static_cast<uint32_t>(stackAt(es, L + kFrameByteOffset).intValue());
  TOLVA_CHECK(es.returnPoint >= 1 && es.returnPoint < L, kSourcePrototypes);
  if (context == nilObj) {
    loadMethod(es, stackAt(es, L + kFrameMethod));
    bindStackFrame(es, methodCount(es.method, kMethodTemporaryCount));
  } else {
    TOLVA_CHECK(isContext(context), kSourcePrototypes);
    es.context = context;
    es.contextBody = bodyOf(context);
    loadMethod(es, es.contextBody[kContextMethod]);
    es.arguments = pointerBody(es.contextBody[kContextArguments], es.argumentCount);
    es.temporaries = pointerBody(es.contextBody[kContextTemporaries], es.temporaryCount);
  }
  loadReceiver(es);
}

namespace {

// The frame of Method m: header words, link position, depth and byte offset;
// answers its temporary count.
TOLVA_HOT uint32_t buildFrame(ExecutionState& es, ObjectRef m) {
  TOLVA_CHECK(isMethod(m), kSourcePrototypes);
  const uint32_t temporaries = methodCount(m, kMethodTemporaryCount);
  const uint32_t stackSize = methodCount(m, kMethodStackSize);
  stackAt(es, es.linkPosition + kFrameByteOffset) = smallInt(static_cast<int32_t>(es.byteOffset));

  const uint64_t needed = uint64_t{stackSize} + temporaries + kFrameHeaderWords + 1;
  if (es.capacity < es.depth + needed)
    growStack(es, static_cast<uint32_t>(needed));

  // The room is there: the header words are written in place (no store rule,
  // as for pushes).
  ObjectRef* header = es.stackBase + es.depth;
  header[kFrameCallerLink] = smallInt(es.linkPosition);
  header[kFrameContext] = nilObj;
  header[kFrameReturnPoint] = smallInt(es.returnPoint);
  header[kFrameMethod] = m;
  header[kFrameByteOffset] = smallInt(1);
  es.linkPosition = static_cast<int32_t>(es.depth + 1);
  es.depth += kFrameHeaderWords + temporaries;  // the temporaries' words are nil already
  es.byteOffset = 1;
  return temporaries;
}

}  // namespace

void pushActivation(ExecutionState& es) { buildFrame(es, interp.currentMethod); }

void activate(ExecutionState& es) {
  const ObjectRef m = interp.currentMethod;
  const uint32_t temporaries = buildFrame(es, m);
  loadMethod(es, m);
  bindStackFrame(es, temporaries);
  loadReceiver(es);
}

bool returnValue(ExecutionState& es, ObjectRef value) {
  const int32_t L = es.linkPosition;
  const int32_t returnPoint = stackAt(es, L + kFrameReturnPoint).intValue();
  const int32_t caller = stackAt(es, L + kFrameCallerLink).intValue();
  TOLVA_CHECK(returnPoint >= 1 && returnPoint < L && caller >= 0 && caller < returnPoint,
              kSourcePrototypes);
  const uint32_t receiverWord =
      std::min<uint32_t>(es.depth, static_cast<uint32_t>(returnPoint) - 1);
  releaseWords(es.stackBase + receiverWord, es.stackBase + es.depth);
  es.stackBase[receiverWord] = value;  // the receiver's word is free
  es.depth = receiverWord + 1;
  if (caller == 0) {
    es.linkPosition = 0;
    return false;
  }
  readFrame(es, caller);
  return true;
}

void pushCurrentContext(ExecutionState& es) {
  if (es.context != es.stack) {
    push(es, es.context);
    return;
  }
  const int32_t L = es.linkPosition;
  const int32_t frameReturnPoint = stackAt(es, L + kFrameReturnPoint).intValue();
  const int32_t pendingReturnPoint = es.returnPoint;  // a send may be prepared already
  const uint32_t temporaryCount = es.temporaryCount;
  const uint32_t argumentCount = es.argumentCount;
  ObjectRef temporaries = newArray(temporaryCount);
  RootGuard keepTemporaries(temporaries);
  for (uint32_t i = 0; i < temporaryCount; ++i)
    storeWord(temporaries, i, stackAt(es, L + kFrameTemporaries + i));
  ObjectRef arguments = newArray(argumentCount);
  RootGuard keepArguments(arguments);
  for (uint32_t i = 0; i < argumentCount; ++i)
    storeWord(arguments, i, stackAt(es, frameReturnPoint + i));
  ObjectRef context = newContext(es.method, arguments, temporaries, L);
  storeBarrier(context);
  stackAt(es, L + kFrameContext) = context;
  stackAt(es, L + kFrameByteOffset) = smallInt(static_cast<int32_t>(es.byteOffset));
  push(es, context);
  readFrame(es, L);
  es.returnPoint = pendingReturnPoint;
}
