// Float arithmetic without the primitive calls that the Float methods make,
// where the answer is known to be the same:
// - binary special sends (+ - < > <= >= = ~= *) of a Float to a Float or a
//   small integer, answered by the run loop without the method's line. The
//   Float method of each starts with its Float primitive on the receiver and
//   the argument, and when that fails tries again with the argument
//   converted by primitive 51; for these operands the answer is what the
//   primitive answers on the two values. What the cache answers for the
//   selector and the class Float is checked once and then kept while the
//   cache's answers are unchanged (cacheGeneration);
// - the second try itself, made by the send shortcuts for any Float
//   primitive (the division too) on a Float and a small integer, without
//   the converted Float.
#pragma once

#include <cstdint>

#include "smalltalk/class_layout.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/interp_inline.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/prim_args.h"

// A Float's value into out (cls being the class Float); false for anything
// else. (A bool and an out parameter rather than an optional: the optional
// came back through memory and stalled every Float operation.)
[[gnu::always_inline]] inline bool floatArg(ObjectRef ref, ObjectRef cls, double& out) {
  if (!isLiveByteObject(ref) || byteSize(ref) != kFloatBytes || classOf(ref) != cls) return false;
  out = floatValue(ref);
  return true;
}

inline constexpr int kIntegerToFloatPrimitive = 51;

// The Float primitives of two operands, 110 to 119, in the order of the
// binary special selectors: primitive 110 + k for selector k (0 to 8: + - <
// > <= >= = ~= *), and 119 for "/".
inline constexpr int kFirstFloatPairPrimitive = 110;
inline constexpr int kFloatPairPrimitives = 10;

// What Float primitive 110 + k answers for the values a and b: a
// comparison's Boolean or a new Float of class cls.
[[gnu::always_inline]] inline ObjectRef floatPairOperation(int k, double a, double b,
                                                           ObjectRef cls) {
  double value = 0;
  switch (k) {
    case 0: value = a + b; break;
    case 1: value = a - b; break;
    case 2: return booleanObj(a < b);
    case 3: return booleanObj(a > b);
    case 4: return booleanObj(a <= b);
    case 5: return booleanObj(a >= b);
    case 6: return booleanObj(a == b);
    case 7: return booleanObj(a != b);
    case 8: value = a * b; break;
    default: value = a / b; break;
  }
  return newFloatOfClass(value, cls);
}

// The answer of binary special send n to the two words at operands (the
// receiver's at returnPoint) when they are a Float and a Float or small
// integer and the Float method answers as described above; the send's
// registers are set and its operands released as a cached send answered in
// place leaves them. nil when it does not apply (nothing is done then).
ObjectRef floatSendAnswer(ExecutionState& es, int n, int32_t returnPoint, ObjectRef* operands);

// Whether binary special send n of a Float to a Float answers what its Float
// primitive answers (the method the cache holds for it starts so); false
// for a send that the cache does not hold yet.
bool floatSendIsPrimitive(int n);
