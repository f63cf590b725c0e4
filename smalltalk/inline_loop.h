// Loops of to:do: that run inside the frame of the method that sends them.
// Part of the send path.
//
// `1 to: n do: [:i | ...]` costs the library an activation of
// Integer>>to:do: and one of Block>>valueFrom:to:by:, and on every pass a
// send of run, which points a frame at the block's code and back (two frame
// switches, each validating the Context and Method it loads), besides the
// loop's own instructions: about 1.9 k machine instructions a pass. When
// the receiver and the stop are small integers, the block is one that the
// running method made, and the methods that the send and the block reach
// are the library's own (compiled exactly as the text in inline_loop.cpp),
// the interpreter does their work itself, in the same order: the block's
// code runs in the method's own frame, as an inlined whileTrue: condition
// does (send_shortcut.h), and its closing stackReturn starts the next pass.
// The loop variable's word, the block's activity and the send's answer (the
// block) end as the library leaves them; a "^" inside the block returns
// from the method as before. A walkback from inside the loop shows the
// block's line and the method's, not the loop's methods.
#pragma once

#include "smalltalk/interpreter.h"

// Words that an inline loop keeps between the send's receiver, stop and
// block and its mark (see send_shortcut.h, whose first word is here the
// negated resume offset): the block's home temporaries, what the loop
// variable's word held before, whether the block was active, and the
// block's first instruction.
inline constexpr uint32_t kLoopWords = 4;

// At a send of to:do: prepared at es.returnPoint (es.byteOffset is the
// instruction after the send): true when the loop runs inline, its first
// pass started or the loop already over; false leaves the send as it was
// (the first look at the loop's methods may collect, though).
bool startInlineLoop(ExecutionState& es);

// At the closing stackReturn of an inline loop's block, with the block's
// value on top: the next pass starts, or the loop ends and the method goes
// on after the send. `mark` is the mark's first word.
void stepInlineLoop(ExecutionState& es, ObjectRef* mark);

// The loop's selectors for a new object table; forgetting them.
void setUpLoopSelectors();
void resetInlineLoops();
