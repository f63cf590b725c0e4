#include "smalltalk/element_sends.h"

#include "smalltalk/interp_inline.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/special_selectors.h"
#include "smalltalk/trace.h"

namespace {

constexpr int kBasicAtPrimitive = 25;

// The method found last for "at:" and a class, for the cache's answers of
// one generation; nil when it does not answer as primitive 25 does.
struct ElementSendMemo {
  uint32_t generation = 0;
  bool known = false;
  ObjectRef cls, method;
};
ElementSendMemo memo;

// Does the line's Method answer primitive 25 on (self, index) when that
// answers anything but nil?
bool answersBasicAt(const MethodShape& shape) {
  return shape.kind == MethodShape::Primitive && shape.primitive == kBasicAtPrimitive &&
         shape.answersResult && shape.plainInPlace && shape.operandsInPlace &&
         shape.operandCount == 2 && shape.guardCount == 0 && shape.innerPrimitive == 0;
}

ObjectRef elementSendMethod(ObjectRef cls) {
  if (memo.known && memo.generation == cacheGeneration && memo.cls == cls) return memo.method;
  const CacheLine* line = cachedLine(binarySelector(kBinaryAt), cls);
  if (line == nullptr) return nilObj;  // the send fills the line
  memo = ElementSendMemo{cacheGeneration, true, cls,
                         answersBasicAt(line->shape) ? line->method : nilObj};
  return memo.method;
}

}  // namespace

ObjectRef elementSendAnswer(ExecutionState& es, int32_t returnPoint, ObjectRef* operands) {
  const ObjectRef receiver = operands[0], index = operands[1];
  if (!isObject(receiver) || !index.isValue() || tracingAny()) return nilObj;
  const ObjectEntry& e = entryOf(receiver);
  if ((e.flags & kPointerFlag) == 0) return nilObj;
  const int32_t i = index.uncheckedInt();
  if (i < 1 || static_cast<uint32_t>(i) > (e.size >> (e.flags & kSizeShiftMask))) return nilObj;
  const ObjectRef element = static_cast<const ObjectRef*>(e.body)[i - 1];
  if (element == nilObj) return nilObj;
  const ObjectRef method = elementSendMethod(e.cls);
  if (method == nilObj) return nilObj;
  interp.currentSelector = binarySelector(kBinaryAt);
  interp.currentMethod = method;
  es.returnPoint = returnPoint;
  clearFresh(receiver);
  return element;
}
