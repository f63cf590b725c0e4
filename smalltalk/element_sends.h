// "at:" sent to a pointer object for an element that is there, answered by
// the run loop without the method's line. The library's Array>>at: starts
// with primitive 25 (basicAt:) on the receiver and the index; for an index
// inside the body that primitive answers the element, and the method
// answers it when it is not nil. What the cache answers for "at:" and the
// receiver's class is checked once and then kept while the cache's answers
// are unchanged (cacheGeneration).
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
