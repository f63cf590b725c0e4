#include "smalltalk/float_sends.h"

#include "smalltalk/interpreter.h"
#include "smalltalk/send_memo.h"
#include "smalltalk/trace.h"

namespace {

// Binary special selectors 0 to 8 have a Float primitive: 110 + n.
constexpr int kFloatSendCount = 9;

// What was found for each operation (see SendMemo), and whether its method
// converts a small integer argument.
struct FloatSendMemo : SendMemo {
  bool convertsIntegers = false;
};
FloatSendMemo memos[kFloatSendCount];

// The memo of selector n for cls when the shortcut may stand for its
// method; null otherwise, and on a cache miss (the send then fills the line).
// In line: every Float send asks it (as a call it cost them a fifth more instructions).
[[gnu::always_inline]] inline const FloatSendMemo* floatSendMemo(int n, ObjectRef cls) {
  FloatSendMemo& memo = memos[n];
  if (memo.holdsFor(cls)) return &memo;
  const CacheLine* line = cachedLine(binarySelector(n), cls);
  if (line == nullptr || !startsWithPrimitive(line->shape, kFirstFloatPairPrimitive + n, 2))
    return nullptr;
  memo.take(cls, line->method);
  memo.convertsIntegers = line->shape.retryConversion == kIntegerToFloatPrimitive &&
                          line->shape.checkPrimitive == 0;
  return &memo;
}

}  // namespace

bool floatSendIsPrimitive(int n) {
  return n >= 0 && n < kFloatSendCount && floatSendMemo(n, floatClass()) != nullptr;
}

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
  answeredInPlace(es, binarySelector(n), method, returnPoint);
  releaseWords(operands, operands + 2);
  return answer;
}
