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

// How answerInPlace dealt with a send.
enum class InPlace {
  Answered,  // the answer is there
  Activate,  // a guard does not hold, or the primitive failed without effect: the method must run
  Other,     // a shape it does not take: answerByShape may
};

// The answer of a send whose method has an Answer shape, or a Primitive shape
// with a plain primitive (plain_primitives.h) that reads the receiver and
// arguments in order, computed on the send's words where they lie: operands[0]
// is the receiver, `arguments` words with it, and `roomAbove` nil words
// follow. Nothing else is read or changed, so the run loop may call it with
// its state in registers.
InPlace answerInPlace(const MethodShape& shape, ObjectRef* operands, uint32_t arguments,
                      uint32_t roomAbove, ObjectRef& answer);

// After answerInPlace answered Activate for a Primitive shape with a second
// try (its primitive answered nil), the second try on the send prepared at
// es.returnPoint; true when it answered, as the method would have. A line
// that a collection wiped has none: the method then makes it.
bool answerSecondTry(ExecutionState& es, const MethodShape& shape);

// The Method that `receiver value` runs when it is cached as answering its
// receiver (Object>>value: "^ self"), or nil (not cached, or another method).
// Lets the run loop pass over the "value" of `true whileTrue: [...]`.
ObjectRef cachedSelfValueMethod(ObjectRef receiver);

// Words of an inline run's mark (see returnFromInlinedBlock), above the
// block: resume offset, end, marker.
inline constexpr uint32_t kInlineMarkWords = 3;

// Where the whileTrue: condition `block` runs inline (see below) when the
// send of "value" at the duplicate before it is made: the Method that the
// send finds (Block>>value), the block's first instruction and the offset
// just past its code. `next` is the 1-based offset of the branchIfFalse
// after the send. False when the send would take another path. Reads the
// running frame's Context and code from es, nothing else; lets the run loop
// make the send with its state in registers.
struct InlineCondition {
  ObjectRef valueMethod = nilObj;
  uint32_t entry = 0;
  uint32_t end = 0;
};
bool inlineConditionAt(const ExecutionState& es, ObjectRef block, uint32_t next,
                       InlineCondition& out);

// A block of the running method sent "value" as a whileTrue: condition runs
// inside the running frame: its code shares the frame's Context anyway (an
// error inside it shows no line of its own in a walkback). Three words above the block mark the run: the
// offset to resume at, the offset just past the block's code and the marker
// (entry 0's reference, which no instruction pushes). The block's closing
// stackReturn finds them and answers the block's value in the block's place.
// Answers whether that stackReturn (its value already popped) ended such a
// run; the run goes on after the send.
bool returnFromInlinedBlock(ExecutionState& es, ObjectRef value);

// The offset just past the code of the block entered at `entry` in the
// running method; false when the code there is not a block's.
bool blockCodeEnd(const ExecutionState& es, ObjectRef entry, uint32_t& end);
