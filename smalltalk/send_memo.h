// What the run loop's direct answers (float_sends.h, element_sends.h) keep
// of the method cache: the Method that a selector finds for a class, taken
// from the cache's line once and kept while the cache's answers are
// unchanged (cacheGeneration); nil when the Method does not start as the
// direct answer requires.
#pragma once

#include <cstdint>

#include "smalltalk/interpreter.h"
#include "smalltalk/method_cache.h"

struct SendMemo {
  uint32_t generation = 0;
  bool known = false;
  ObjectRef cls, method;

  bool holdsFor(ObjectRef c) const { return known && generation == cacheGeneration && cls == c; }
  void take(ObjectRef c, ObjectRef m) { *this = SendMemo{cacheGeneration, true, c, m}; }
};

// Does the shape's Method start with `primitive` on its receiver and its
// `operands` - 1 arguments in place, answering the primitive's result or,
// with answerArgument >= 0, that argument (0 the receiver)?
inline bool startsWithPrimitive(const MethodShape& shape, int primitive, uint8_t operands,
                                int answerArgument = -1) {
  const bool answers = answerArgument < 0
                           ? shape.answersResult
                           : !shape.answersResult && shape.answer.kind == ShapeOperand::Argument &&
                                 shape.answer.index == answerArgument;
  return shape.kind == MethodShape::Primitive && shape.primitive == primitive && answers &&
         shape.plainInPlace && shape.operandsInPlace && shape.operandCount == operands &&
         shape.guardCount == 0 && shape.innerPrimitive == 0;
}

// The registers of a send answered in place, as the run loop's cached path
// leaves them.
inline void answeredInPlace(ExecutionState& es, ObjectRef selector, ObjectRef method,
                            int32_t returnPoint) {
  interp.currentSelector = selector;
  interp.currentMethod = method;
  es.returnPoint = returnPoint;
}
