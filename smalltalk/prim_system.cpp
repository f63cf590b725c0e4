// Interpreter and system primitives: watching, the block-return helpers 18 and
// 28, nested runs of a process (19), the slice budget, trace counters, the
// method cache, compiling into a method, system information and the fatal
// error primitive.
#include <cstdio>
#include <cstdlib>

#include "smalltalk/class_layout.h"
#include "smalltalk/collector.h"
#include "smalltalk/compiler.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/driver_state.h"
#include "smalltalk/interpreter.h"
#include "smalltalk/memory_counters.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/process.h"
#include "smalltalk/send.h"
#include "smalltalk/trace.h"

namespace {

// A nested run (primitive 19) is one slice of this many steps; at most this
// many nested runs stand on top of the top-level one.
constexpr int32_t kNestedSliceSteps = 4096;
constexpr int kMaxNestedRuns = 64;

// Codes of primitive 42.
enum SystemInfoCode : int32_t {
  kInfoArguments = 0,
  kInfoStartupActions = 1,
  kInfoBytesInUse = 80,
  kInfoAllocations = 81,
  kInfoReleases = 82,
  kInfoFreeEntriesBelowHead = 99,
};

constexpr const char* kFatalFormat = "error: '%s'\n";

// ---- shapes the interpreter relies on when it reads a frame ----------------

bool isPointerWithWords(ObjectRef ref, uint32_t words) {
  return isLivePointerObject(ref) && wordCount(ref) >= words;
}

bool isCountWord(ObjectRef ref) { return ref.isValue() && ref.uncheckedInt() >= 0; }

// The words of a live pointer object that has at least `words` of them (at
// least one), or null. One read of the table entry: a block's Context is
// checked this way on every run of the block.
const ObjectRef* wordsOf(ObjectRef ref, uint32_t words) {
  if (!isLiveObject(ref)) return nullptr;
  const ObjectEntry& e = entryOf(ref);
  if ((e.flags & kPointerFlag) == 0 || (e.size >> (e.flags & kSizeShiftMask)) < words) return nullptr;
  return static_cast<const ObjectRef*>(e.body);
}

bool isUsableMethod(ObjectRef m) {
  const ObjectRef* method = wordsOf(m, kMethodWords);
  return method != nullptr && isCountWord(method[kMethodStackSize]) &&
         isCountWord(method[kMethodTemporaryCount]);
}

bool isUsableContext(ObjectRef c) {
  static_assert(kMethodWords > 0 && kContextTemporaries + 1 > 0);
  const ObjectRef* context = wordsOf(c, kContextTemporaries + 1);
  if (context == nullptr || !isUsableMethod(context[kContextMethod])) return false;
  const ObjectRef* arguments = wordsOf(context[kContextArguments], 1);
  return arguments != nullptr && arguments[0] != pointerList &&
         isLivePointerObject(context[kContextTemporaries]);
}

// A Process whose saved state the interpreter can load: its stack, depth and
// link, and the frame at the link.
bool isRunnableProcess(ObjectRef p) {
  if (!isPointerWithWords(p, kProcessWords)) return false;
  ObjectRef stack = wordAt(p, kProcessStack);
  ObjectRef depthWord = wordAt(p, kProcessDepth);
  ObjectRef linkWord = wordAt(p, kProcessLink);
  if (!isLivePointerObject(stack) || !isCountWord(depthWord) || !isCountWord(linkWord))
    return false;
  const int64_t depth = depthWord.uncheckedInt();
  const int64_t L = linkWord.uncheckedInt();
  if (depth > wordCount(stack)) return false;
  if (L == 0) return true;  // finished: the run answers false at once
  if (L + kFrameByteOffset > depth) return false;
  const ObjectRef* s = bodyOf(stack) - 1;  // 1-based positions
  ObjectRef returnPoint = s[L + kFrameReturnPoint];
  if (!returnPoint.isValue() || returnPoint.uncheckedInt() < 1 || returnPoint.uncheckedInt() >= L)
    return false;
  if (!s[L + kFrameByteOffset].isValue() || s[returnPoint.uncheckedInt()] == pointerList)
    return false;
  ObjectRef context = s[L + kFrameContext];
  return context == nilObj ? isUsableMethod(s[L + kFrameMethod]) : isUsableContext(context);
}

// ---- what the driver recorded (primitive 42, codes 0 and 1) --------------

// Every command-line argument, the program name first, as Strings.
ObjectRef commandLineArray() {
  const int count = driverArgumentCount();
  char** argv = driverArgumentVector();
  if (count <= 0 || argv == nullptr) return newArray(0);
  ObjectRef array = newArray(static_cast<uint32_t>(count));
  RootGuard keep(array);
  for (int i = 0; i < count; ++i) {
    ObjectRef text = stringResult(argv[i] != nullptr ? argv[i] : "");
    storeWord(array, static_cast<uint32_t>(i), text);
  }
  return array;
}

// One {Character kind, String text} pair per queue entry.
ObjectRef startupActionArray() {
  const CommandQueueEntry* queue = commandQueue();
  uint32_t count = 0;
  while (queue != nullptr && count < kCommandQueueEntries && queue[count].kind != kQueueEnd) ++count;
  ObjectRef array = newArray(count);
  RootGuard keep(array);
  for (uint32_t i = 0; i < count; ++i) {
    ObjectRef kind = newChar(static_cast<unsigned char>(queue[i].kind));
    RootGuard keepKind(kind);
    ObjectRef text = stringResult(std::string_view(queue[i].text, queue[i].length));
    storeWord(array, i, arrayResult({kind, text}));
  }
  return array;
}

// ---- the running frame's stack, for 18 and 28 -----------------------------

// Stack position p (1-based) of the running execution, or null outside the live stack.
ObjectRef* livePosition(int64_t p) {
  ExecutionState* es = interp.running;
  if (es == nullptr || p < 1 || p > es->depth) return nullptr;
  return &es->stackBase[p - 1];
}

// P: the link position of the running activation's caller.
std::optional<int64_t> callerLink() {
  ExecutionState* es = interp.running;
  if (es == nullptr) return std::nullopt;
  ObjectRef* link = livePosition(es->linkPosition);
  if (link == nullptr || !isCountWord(*link) || link->uncheckedInt() == 0) return std::nullopt;
  return link->uncheckedInt();
}

}  // namespace

ObjectRef primToggleWatch(ObjectRef*) { return booleanObj(toggleWatching()); }

// Block-return unwind step: the running activation's caller P takes over the
// link and return point of the activation K of the Context given.
ObjectRef primUnwindStep(ObjectRef* args) {
  ObjectRef ctx = args[0];
  if (!isPointerWithWords(ctx, kContextLink + 1) || !wordAt(ctx, kContextLink).isValue())
    return nilObj;
  const int64_t K = wordAt(ctx, kContextLink).uncheckedInt();
  std::optional<int64_t> P = callerLink();
  ObjectRef* kContext = livePosition(K + kFrameContext);
  ObjectRef* kLink = livePosition(K + kFrameCallerLink);
  ObjectRef* kReturn = livePosition(K + kFrameReturnPoint);
  if (!P || kContext == nullptr || *kContext != ctx) return falseObj;
  ObjectRef* pLink = livePosition(*P + kFrameCallerLink);
  ObjectRef* pReturn = livePosition(*P + kFrameReturnPoint);
  if (pLink == nullptr || pReturn == nullptr || !isCountWord(*kLink) || !kReturn->isValue())
    return falseObj;
  *pLink = *kLink;
  *pReturn = *kReturn;
  return trueObj;
}

bool setFrameContext(int64_t P, ObjectRef context, ObjectRef offset) {
  if (context != nilObj && !isUsableContext(context)) return false;
  if (!offset.isValue() || offset.uncheckedInt() < 1) return false;
  ObjectRef* pContext = livePosition(P + kFrameContext);
  ObjectRef* pOffset = livePosition(P + kFrameByteOffset);
  if (pContext == nullptr || pOffset == nullptr) return false;
  storeBarrier(context);
  *pContext = context;
  *pOffset = offset;
  return true;
}

// Sets the Context and the resume offset of the running activation's caller.
ObjectRef primSetCallerContext(ObjectRef* args) {
  std::optional<int64_t> P = callerLink();
  if (!P || !setFrameContext(*P, args[0], args[1])) return nilObj;
  return args[0];
}

// One nested slice of another process; a failed send inside ends only that
// process (the answer is then false).
ObjectRef primRunProcess(ObjectRef* args) {
  ObjectRef process = args[0];
  if (!isRunnableProcess(process) || isProcessRunning(process) || interp.nesting > kMaxNestedRuns)
    return nilObj;
  return booleanObj(execute(process, kNestedSliceSteps));
}

ObjectRef primSetSliceBudget(ObjectRef* args) {
  int32_t* steps = runningStepCounter();
  if (steps != nullptr && args[0].isValue()) *steps = args[0].uncheckedInt();
  return nilObj;
}

ObjectRef primSetTraceCounter(ObjectRef* args) {
  std::optional<int32_t> which = intArg(args[0]);
  std::optional<int32_t> value = intArg(args[1]);
  if (!which || !value || !setTraceCounter(*which, *value)) return nilObj;
  return args[0];
}

ObjectRef primFlushCacheSelector(ObjectRef* args) {
  if (args[0].isValue() || args[1].isValue()) return nilObj;
  flushCacheSelector(args[0]);
  return args[0];
}

ObjectRef primCompileMethod(ObjectRef* args) {
  ObjectRef cls = args[0];
  ObjectRef method = args[2];
  std::optional<std::string> source = textCopyArg(args[1]);
  if (!isPointerWithWords(cls, kClassWords) || !isPointerWithWords(method, kMethodWords) || !source)
    return nilObj;
  if (!loadClassVariables(cls) || !compileMethod(method, source->c_str(), false)) return falseObj;
  flushCacheSelector(wordAt(method, kMethodSelector));
  return trueObj;
}

ObjectRef primSystemInfo(ObjectRef* args) {
  std::optional<int32_t> code = intArg(args[0]);
  if (!code) return nilObj;
  switch (*code) {
    case kInfoArguments: return commandLineArray();
    case kInfoStartupActions: return startupActionArray();
    case kInfoBytesInUse: return intResult(memoryCounters.bytesInUse);
    case kInfoAllocations: return intResult(memoryCounters.allocationCount);
    case kInfoReleases: return intResult(memoryCounters.releaseCount);
    case kInfoFreeEntriesBelowHead: return intResult(freeEntriesBelowHead());
    default: return nilObj;
  }
}

ObjectRef primFatalError(ObjectRef* args) {
  std::optional<std::string> text = textCopyArg(args[0]);
  std::fflush(stdout);
  std::fprintf(stderr, kFatalFormat, text ? text->c_str() : "");
  std::exit(kFatalExitStatus);
}
