#include "smalltalk/element_sends.h"

#include "smalltalk/interp_inline.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/special_selectors.h"
#include "smalltalk/trace.h"

namespace {

constexpr int kBasicSizePrimitive = 12;
constexpr int kBasicAtPrimitive = 25;
constexpr int kBasicAtPutPrimitive = 31;

// The method found last for a selector and a class, for the cache's answers
// of one generation; nil when it does not answer as described.
struct ElementSendMemo {
  uint32_t generation = 0;
  bool known = false;
  ObjectRef cls, method;
};
ElementSendMemo sizeMemo, atMemo, atPutMemo;

// Does the line's Method start with `primitive` on its receiver and
// arguments in place, answering the primitive's result or, with
// `answerArgument` >= 0, that argument?
bool startsWith(const MethodShape& shape, int primitive, uint8_t operands, int answerArgument) {
  const bool answers = answerArgument < 0
                           ? shape.answersResult
                           : !shape.answersResult && shape.answer.kind == ShapeOperand::Argument &&
                                 shape.answer.index == answerArgument;
  return shape.kind == MethodShape::Primitive && shape.primitive == primitive && answers &&
         shape.plainInPlace && shape.operandsInPlace && shape.operandCount == operands &&
         shape.guardCount == 0 && shape.innerPrimitive == 0;
}

// The method of the memo's kind for selector and cls, or nil.
template <typename Fits>
ObjectRef memoMethod(ElementSendMemo& memo, ObjectRef selector, ObjectRef cls, Fits fits) {
  if (memo.known && memo.generation == cacheGeneration && memo.cls == cls) return memo.method;
  const CacheLine* line = cachedLine(selector, cls);
  if (line == nullptr) return nilObj;  // the send fills the line
  memo = ElementSendMemo{cacheGeneration, true, cls, fits(line->shape) ? line->method : nilObj};
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

// The send's registers, as a cached send answered in place sets them.
void answered(ExecutionState& es, ObjectRef selector, ObjectRef method, int32_t returnPoint) {
  interp.currentSelector = selector;
  interp.currentMethod = method;
  es.returnPoint = returnPoint;
}

}  // namespace

ObjectRef elementSendAnswer(ExecutionState& es, int32_t returnPoint, ObjectRef* operands) {
  if (tracingAny()) return nilObj;
  ObjectRef cls;
  const ObjectRef* word = elementWord(operands[0], operands[1], cls);
  if (word == nullptr || *word == nilObj) return nilObj;
  const ObjectRef selector = binarySelector(kBinaryAt);
  const ObjectRef method = memoMethod(atMemo, selector, cls, [](const MethodShape& shape) {
    return startsWith(shape, kBasicAtPrimitive, 2, -1);
  });
  if (method == nilObj) return nilObj;
  answered(es, selector, method, returnPoint);
  clearFresh(operands[0]);
  return *word;
}

bool elementStoreInPlace(ExecutionState& es, int32_t returnPoint, ObjectRef* operands) {
  if (tracingAny()) return false;
  ObjectRef cls;
  ObjectRef* word = elementWord(operands[0], operands[1], cls);
  if (word == nullptr) return false;
  const ObjectRef method = memoMethod(atPutMemo, atPutSelector, cls, [](const MethodShape& shape) {
    return startsWith(shape, kBasicAtPutPrimitive, 3, 2);
  });
  if (method == nilObj) return false;
  const ObjectRef value = operands[2];
  storeBarrier(value);  // as primitive 31 stores it
  *word = value;
  answered(es, atPutSelector, method, returnPoint);
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
    return startsWith(shape, kBasicSizePrimitive, 1, -1);
  });
  if (method == nilObj) return nilObj;
  answered(es, selector, method, returnPoint);
  clearFresh(receiver);
  // Bodies hold at most kMaxObjectBytes: every count is a small integer.
  return smallInt(static_cast<int32_t>(e.size >> (e.flags & kSizeShiftMask)));
}
