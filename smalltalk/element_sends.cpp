#include "smalltalk/element_sends.h"

#include "smalltalk/interp_inline.h"
#include "smalltalk/send_memo.h"
#include "smalltalk/special_selectors.h"
#include "smalltalk/trace.h"

namespace {

constexpr int kBasicSizePrimitive = 12;
constexpr int kBasicAtPrimitive = 25;
constexpr int kBasicAtPutPrimitive = 31;

SendMemo sizeMemo, atMemo, atPutMemo;

// The receiver's method for selector when it starts as `fits` requires, or
// nil.
template <typename Fits>
ObjectRef memoMethod(SendMemo& memo, ObjectRef selector, ObjectRef cls, Fits fits) {
  if (memo.holdsFor(cls)) return memo.method;
  const CacheLine* line = cachedLine(selector, cls);
  if (line == nullptr) return nilObj;  // the send fills the line
  memo.take(cls, fits(line->shape) ? line->method : nilObj);
  return memo.method;
}

// The body of a pointer object and the word of a small integer index inside
// it, or null.
ObjectRef* elementWord(ObjectRef receiver, ObjectRef index, ObjectRef& cls) {
  if (!isObject(receiver) || !index.isValue()) return nullptr;
  const ObjectEntry& e = entryOf(receiver);
  if ((e.flags & kPointerFlag) == 0) return nullptr;
  const int32_t i = index.uncheckedInt();
  if (i < 1 || static_cast<uint32_t>(i) > (e.size >> (e.flags & kSizeShiftMask))) return nullptr;
  cls = e.cls;
  return static_cast<ObjectRef*>(e.body) + (i - 1);
}

}  // namespace

ObjectRef elementSendAnswer(ExecutionState& es, int32_t returnPoint, ObjectRef* operands) {
  if (tracingAny()) return nilObj;
  ObjectRef cls;
  const ObjectRef* word = elementWord(operands[0], operands[1], cls);
  if (word == nullptr || *word == nilObj) return nilObj;
  const ObjectRef selector = binarySelector(kBinaryAt);
  const ObjectRef method = memoMethod(atMemo, selector, cls, [](const MethodShape& shape) {
    return startsWithPrimitive(shape, kBasicAtPrimitive, 2);
  });
  if (method == nilObj) return nilObj;
  answeredInPlace(es, selector, method, returnPoint);
  clearFresh(operands[0]);
  return *word;
}

bool elementStoreInPlace(ExecutionState& es, int32_t returnPoint, ObjectRef* operands) {
  if (tracingAny()) return false;
  ObjectRef cls;
  ObjectRef* word = elementWord(operands[0], operands[1], cls);
  if (word == nullptr) return false;
  const ObjectRef method = memoMethod(atPutMemo, atPutSelector, cls, [](const MethodShape& shape) {
    return startsWithPrimitive(shape, kBasicAtPutPrimitive, 3, 2);
  });
  if (method == nilObj) return false;
  const ObjectRef value = operands[2];
  storeBarrier(value);  // as primitive 31 stores it
  *word = value;
  answeredInPlace(es, atPutSelector, method, returnPoint);
  clearFresh(operands[0]);
  operands[0] = value;
  operands[1] = nilObj;  // the index, a small integer
  operands[2] = nilObj;  // its fresh flag is clear: it was stored
  return true;
}

ObjectRef elementCountAnswer(ExecutionState& es, int32_t returnPoint, ObjectRef* operands) {
  const ObjectRef receiver = operands[0];
  if (!isObject(receiver) || tracingAny()) return nilObj;
  const ObjectEntry& e = entryOf(receiver);
  const ObjectRef selector = unarySelector(kUnarySize);
  const ObjectRef method = memoMethod(sizeMemo, selector, e.cls, [](const MethodShape& shape) {
    return startsWithPrimitive(shape, kBasicSizePrimitive, 1);
  });
  if (method == nilObj) return nilObj;
  answeredInPlace(es, selector, method, returnPoint);
  clearFresh(receiver);
  // Bodies hold at most kMaxObjectBytes: every count is a small integer.
  return smallInt(static_cast<int32_t>(e.size >> (e.flags & kSizeShiftMask)));
}
