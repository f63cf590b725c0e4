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

// A block of the running method sent "value" as a whileTrue: condition runs
// inside the running frame: its code shares the frame's Context anyway (an
// error inside it shows no line of its own in a walkback). Three words above the block mark the run: the
// offset to resume at, the offset just past the block's code and the marker
// (entry 0's reference, which no instruction pushes). The block's closing
// stackReturn finds them and answers the block's value in the block's place.
// Answers whether that stackReturn (its value already popped) ended such a
// run; the run goes on after the send.
bool returnFromInlinedBlock(ExecutionState& es, ObjectRef value);
