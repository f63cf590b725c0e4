#include "smalltalk/float_sends.h"

#include "smalltalk/interpreter.h"
#include "smalltalk/trace.h"

namespace {

// Binary special selectors 0 to 8 have a Float primitive: 110 + n.
constexpr int kFloatSendCount = 9;

// What was found for each selector: the Method, and whether it converts a
// small integer argument; for the cache's answers of that generation and
// that class Float.
struct FloatSendMemo {
  uint32_t generation = 0;
  bool known = false;
  bool convertsIntegers = false;
  ObjectRef cls, method;
};
FloatSendMemo memos[kFloatSendCount];

// Does the line's Method answer its Float primitive on (self, argument)?
bool primitiveFirst(const MethodShape& shape, int primitive) {
  return shape.kind == MethodShape::Primitive && shape.primitive == primitive &&
         shape.answersResult && shape.plainInPlace && shape.operandsInPlace &&
         shape.operandCount == 2 && shape.guardCount == 0 && shape.innerPrimitive == 0;
}

// The memo of selector n for cls when the shortcut may stand for its
// method; null otherwise, and on a cache miss (the send then fills the line).
const FloatSendMemo* floatSendMemo(int n, ObjectRef cls) {
  FloatSendMemo& memo = memos[n];
  if (memo.known && memo.generation == cacheGeneration && memo.cls == cls) return &memo;
  const CacheLine* line = cachedLine(binarySelector(n), cls);
  if (line == nullptr || !primitiveFirst(line->shape, kFirstFloatPairPrimitive + n))
    return nullptr;
  const bool converts = line->shape.retryConversion == kIntegerToFloatPrimitive &&
                        line->shape.checkPrimitive == 0;
  memo = FloatSendMemo{cacheGeneration, true, converts, cls, line->method};
  return &memo;
}

}  // namespace

ObjectRef floatSendAnswer(ExecutionState& es, int n, int32_t returnPoint, ObjectRef* operands) {
  if (n >= kFloatSendCount || operands[0].isValue() || tracingAny()) return nilObj;
  const ObjectRef cls = floatClass();
  double a, b;
  if (!floatArg(operands[0], cls, a)) return nilObj;
  const bool integer = operands[1].isValue();
  if (integer)
    b = operands[1].uncheckedInt();  // exactly as primitive 51 converts it
  else if (!floatArg(operands[1], cls, b))
    return nilObj;
  const FloatSendMemo* memo = floatSendMemo(n, cls);
  if (memo == nullptr || (integer && !memo->convertsIntegers)) return nilObj;
  const ObjectRef method = memo->method;  // the allocation may collect, which clears the memo
  const ObjectRef answer = floatPairOperation(n, a, b, cls);
  interp.currentSelector = binarySelector(n);
  interp.currentMethod = method;
  es.returnPoint = returnPoint;
  releaseWords(operands, operands + 2);
  return answer;
}
