// Sends answered without an activation, for methods of a simple shape (see
// method_shape.h). Part of the send path.
#pragma once

#include "smalltalk/interpreter.h"
#include "smalltalk/method_shape.h"

// Does the work of the method of the send prepared at es.returnPoint
// (receiver and arguments on the stack) and leaves its answer in the
// receiver's place. False when the shape does not apply to this send (the
// method must then be activated; nothing has changed). The shape may be a
// method cache line's, which a collection inside a primitive clears: it is
// read before the primitive runs.
bool answerByShape(ExecutionState& es, const MethodShape& shape);
