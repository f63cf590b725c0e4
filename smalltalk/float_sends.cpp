#include "smalltalk/float_sends.h"

#include "smalltalk/interpreter.h"
#include "smalltalk/trace.h"

namespace {

// The Float primitive of each binary special selector 0 to 8.
constexpr int kFloatPrimitives[kFloatSendCount] = {110, 111, 112, 113, 114, 115, 116, 117, 118};

// What was found for each selector: the Method, for the cache's answers of
// that generation and that class Float.
struct FloatSendMemo {
  uint32_t generation = 0;
  bool known = false;
  ObjectRef cls, method;
};
FloatSendMemo memos[kFloatSendCount];

// Does the line's Method answer its Float primitive on (self, argument)?
bool primitiveAlone(const MethodShape& shape, int primitive) {
  return shape.kind == MethodShape::Primitive && shape.primitive == primitive &&
         shape.answersResult && shape.plainInPlace && shape.operandsInPlace &&
         shape.operandCount == 2 && shape.guardCount == 0 && shape.innerPrimitive == 0;
}

// The Method that selector n finds for cls when the shortcut may stand for
// it; nil otherwise, and on a cache miss (the send then fills the line).
ObjectRef floatSendMethod(int n, ObjectRef cls) {
  FloatSendMemo& memo = memos[n];
  if (memo.known && memo.generation == cacheGeneration && memo.cls == cls) return memo.method;
  const CacheLine* line = cachedLine(binarySelector(n), cls);
  if (line == nullptr || !primitiveAlone(line->shape, kFloatPrimitives[n])) return nilObj;
  memo = FloatSendMemo{cacheGeneration, true, cls, line->method};
  return line->method;
}

// The answer of the Float primitive of selector n: a comparison's Boolean,
// or a new Float.
ObjectRef floatOperation(int n, double a, double b, ObjectRef cls) {
  double value = 0;
  switch (n) {
    case 0: value = a + b; break;
    case 1: value = a - b; break;
    case 2: return booleanObj(a < b);
    case 3: return booleanObj(a > b);
    case 4: return booleanObj(a <= b);
    case 5: return booleanObj(a >= b);
    case 6: return booleanObj(a == b);
    case 7: return booleanObj(a != b);
    default: value = a * b; break;
  }
  return newFloatOfClass(value, cls);
}

}  // namespace

ObjectRef floatSendAnswer(ExecutionState& es, int n, int32_t returnPoint, ObjectRef* operands) {
  if (n >= kFloatSendCount || operands[0].isValue() || operands[1].isValue() || tracingAny())
    return nilObj;
  const ObjectRef cls = floatClass();
  double a, b;
  if (!floatArg(operands[0], cls, a) || !floatArg(operands[1], cls, b)) return nilObj;
  const ObjectRef method = floatSendMethod(n, cls);
  if (method == nilObj) return nilObj;
  const ObjectRef answer = floatOperation(n, a, b, cls);
  interp.currentSelector = binarySelector(n);
  interp.currentMethod = method;
  es.returnPoint = returnPoint;
  releaseWords(operands, operands + 2);
  return answer;
}
