// Sends: the cached lookup, the superclass chain, recovery through
// "message:notRecognizedWithArguments:" and the watch hook.
#include "smalltalk/send.h"

#include <cstdio>

#include "smalltalk/class_layout.h"
#include "smalltalk/compiler.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/interp_inline.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/name_table.h"
#include "smalltalk/native_methods.h"
#include "smalltalk/send_shortcut.h"
#include "smalltalk/symbols.h"
#include "smalltalk/trace.h"
#include "smalltalk/variable_names.h"

bool watching = false;

namespace {

// Moves the receiver at the return point and the words above it into a new
// Array (store rule), leaving the return point as the next free word.
ObjectRef takeReceiverAndArguments(ExecutionState& es) {
  const uint32_t first = static_cast<uint32_t>(es.returnPoint);
  const uint32_t count = es.depth - first + 1;
  ObjectRef array = newArray(count);
  for (uint32_t i = 0; i < count; ++i) {
    ObjectRef& word = stackAt(es, first + i);
    storeWord(array, i, word);
    word = nilObj;
  }
  es.depth = first - 1;
  return array;
}

// The receiver did not understand the current selector: it gets
// "message:notRecognizedWithArguments:" with the selector and an Array of
// itself and the arguments.
bool recover(ExecutionState& es, ObjectRef cls, ObjectRef* foundClass) {
  const ObjectRef failedSelector = interp.currentSelector;
  const ObjectRef array = takeReceiverAndArguments(es);
  push(es, bodyOf(array)[0]);
  push(es, failedSelector);
  push(es, array);
  interp.currentSelector = intern(kRecoverySelector);
  if (lookupMethod(cls, foundClass)) return true;
  std::fprintf(stderr, "can't find\nerror recovery method\n%s\n:debug:\n", compilingMethodName());
  return false;
}

// While watching, a method with a watch marker is not run: the class of
// Methods gets "watchWith:" with the Method as receiver and an Array of the
// original receiver and arguments.
bool watchHook(ExecutionState& es) {
  const ObjectRef method = interp.currentMethod;
  if (!watching || !hasWords(method, kMethodWords) || bodyOf(method)[kMethodWatch] == nilObj) return true;
  const ObjectRef array = takeReceiverAndArguments(es);
  push(es, method);
  push(es, array);
  interp.currentSelector = intern(kWatchSelector);
  if (lookupMethod(classOfReceiver(method))) return true;
  std::fprintf(stderr, "can't find\nwatch method\n");
  return false;
}

}  // namespace

bool toggleWatching() {
  watching = !watching;
  return watching;
}

ObjectRef classOfReceiver(ObjectRef receiver) {
  return receiver.isValue() ? integerClass() : classOf(receiver);
}

ObjectRef prepareSend(ExecutionState& es, int64_t returnPoint, ObjectRef selector) {
  if (returnPoint <= frameFloor(es) || returnPoint > es.depth)
    fatalNumber(kBadArgumentCount, int64_t{es.depth} - returnPoint + 1);
  es.returnPoint = static_cast<int32_t>(returnPoint);
  interp.currentSelector = selector;
  return classOfReceiver(stackAt(es, returnPoint));
}

bool send(ExecutionState& es, ObjectRef cls) {
  const CacheLine* line = findMethod(es, cls);
  if (line == nullptr) return false;
  if (line->shape.kind != MethodShape::None && !watching && !tracingAny() &&
      answerByShape(es, line->shape))
    return true;
  if (!watchHook(es)) return false;
  activate(es);
  return true;
}

namespace {

// The shape of a Method found for selector: a native method's when it is
// one (the first look at a native's selector may collect, which leaves the
// Method, held by its class, where it was).
MethodShape shapeOf(ObjectRef selector, ObjectRef method) {
  MethodShape shape = classifyMethod(method);
  if (shape.kind != MethodShape::None) return shape;
  const NativeMethod native = nativeMethodFor(selector, method);
  if (native != kNoNative) {
    shape.kind = MethodShape::Native;
    shape.native = native;
  }
  return shape;
}

// A line about to be replaced goes to its spare line.
void keepAsSpare(const CacheLine& line) {
  if (line.selector == ObjectRef{}) return;
  spareLines[spareLineIndex(line.selector, line.lookupClass)] = line;
}

// A miss: the spare line when it holds the pair, else the search along the
// superclass chain (and recovery); then the line is written, and the line it
// replaces is kept as a spare.
[[gnu::noinline]] const CacheLine* fillLine(ExecutionState& es, ObjectRef cls, CacheLine& line) {
  const ObjectRef selector = interp.currentSelector;
  // A line taken back from the spare table answers as before it left: only
  // a lookup can change what (selector, class) is answered with.
  const CacheLine spare = spareLines[spareLineIndex(selector, cls)];
  if (spare.selector == selector && spare.lookupClass == cls && !isAvail(spare.method.Index())) {
    keepAsSpare(line);
    line = spare;
    interp.currentMethod = line.method;
    return &line;
  }
  ++cacheGeneration;
  ObjectRef foundClass = nilObj;
  if (!lookupMethod(cls, &foundClass) && !recover(es, cls, &foundClass)) return nullptr;
  const ObjectRef found = interp.currentMethod;
  const MethodShape shape = shapeOf(interp.currentSelector, found);
  interp.currentMethod = found;
  keepAsSpare(line);
  line = CacheLine{interp.currentSelector, cls, foundClass, found, shape};
  return &line;
}

}  // namespace

const CacheLine* findMethod(ExecutionState& es, ObjectRef cls) {
  const ObjectRef selector = interp.currentSelector;
  if (tracing(kTraceMessages)) [[unlikely]]
    traceMessage(selector);
  CacheLine& line = methodCache[cacheLineIndex(selector, cls)];
  if (line.selector == selector && line.lookupClass == cls) [[likely]] {
    if (isAvail(line.method.Index())) internalError("isAvail(method) == false", kSourceTolva);
    interp.currentMethod = line.method;
    return &line;
  }
  return fillLine(es, cls, line);
}

bool lookupMethod(ObjectRef cls, ObjectRef* foundClass) {
  interp.currentMethod = nilObj;
  // A chain longer than any real hierarchy is a cycle built by a script.
  for (uint32_t hops = 0; cls != nilObj && hops < kMaxClassChain; ++hops) {
    if (!hasWords(cls, kClassWords)) return false;
    ObjectRef methods = bodyOf(cls)[kClassMethods];
    if (methods == nilObj) {
      methods = newDictionary();
      storeWord(cls, kClassMethods, methods);
    }
    if (!methods.isValue() && isPointerObject(methods) && wordCount(methods) >= kTableWords) {
      const ObjectRef method = dictionaryAt(methods, interp.currentSelector);
      if (method != nilObj) {
        interp.currentMethod = method;
        if (foundClass) *foundClass = cls;
        return true;
      }
    }
    cls = bodyOf(cls)[kClassSuperclass];
  }
  return false;
}
