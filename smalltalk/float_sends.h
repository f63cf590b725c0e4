// Binary special sends between two Floats (+ - < > <= >= = ~= *), answered
// by the run loop without the method cache's line and the shape's tests.
// The Float method of each of these selectors starts with its Float
// primitive on the receiver and the argument; given two Floats that
// primitive cannot fail, so the send answers what the primitive answers.
// What the cache answers for the selector and the class Float is checked
// once and then kept while the cache's answers are unchanged
// (cacheGeneration).
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

// Binary special selectors 0 to 8 have a Float primitive.
inline constexpr int kFloatSendCount = 9;

// The answer of binary special send n to the two words at operands (the
// receiver's at returnPoint) when both are Floats and the Float method is
// its primitive alone; the send's registers are set and its operands
// released as a cached send answered in place leaves them. nil when it does
// not apply (nothing is done then).
ObjectRef floatSendAnswer(ExecutionState& es, int n, int32_t returnPoint, ObjectRef* operands);
