// "size" sent to an object, and "at:" and "at:put:" sent to a pointer
// object with an index inside its body, answered by the run loop without the
// method's line:
// - the library's Array>>size is primitive 12 (basicSize) on the receiver,
//   which answers its word count;
// - the library's Array>>at: starts with primitive 25 (basicAt:) on the
//   receiver and the index; for such an index that primitive answers the
//   element, and the method answers it when it is not nil;
// - Array>>at:put: starts with primitive 31 (basicAt:put:) on the receiver,
//   the index and the value, which stores the value for such an index, and
//   then answers the value.
// What the cache answers for the selector and the receiver's class is
// checked once and then kept while the cache's answers are unchanged
// (cacheGeneration).
#pragma once

#include <cstdint>

#include "smalltalk/interpreter.h"
#include "smalltalk/object_ref.h"

// The element that "at:" answers for the receiver and index at operands
// (the receiver's at returnPoint) when it is not nil and the receiver's
// method answers it as described above; the send's registers are set and
// the receiver's fresh flag cleared as a cached send answered in place
// leaves them. nil when it does not apply (nothing is done then).
ObjectRef elementSendAnswer(ExecutionState& es, int32_t returnPoint, ObjectRef* operands);

// The store that "at:put:" makes for the receiver, index and value at
// operands (the receiver's at returnPoint) when the receiver's method makes
// it as described above: the value takes the receiver's word, the other two
// become nil, and the send's registers are set as a cached send answered in
// place leaves them. False when it does not apply (nothing is done then).
bool elementStoreInPlace(ExecutionState& es, int32_t returnPoint, ObjectRef* operands);

// The word count that "size" answers for the receiver at operands[0] (the
// top of the stack, at returnPoint) when the receiver's method is primitive
// 12 alone; the send's registers are set and the receiver's fresh flag
// cleared as a cached send answered in place leaves them. nil when it does
// not apply (nothing is done then).
ObjectRef elementCountAnswer(ExecutionState& es, int32_t returnPoint, ObjectRef* operands);
