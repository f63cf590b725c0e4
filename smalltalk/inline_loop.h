// Loops of to:do:, to:by:do:, timesRepeat:, do: and inject:into: that run
// inside the frame of the method that sends them. Part of the send path.
//
// `1 to: n do: [:i | ...]` costs the library an activation of
// Integer>>to:do: and one of Block>>valueFrom:to:by:, and on every pass a
// send of run, which points a frame at the block's code and back (two frame
// switches, each validating the Context and Method it loads), besides the
// loop's own instructions: about 1.9 k machine instructions a pass, where
// the body `x := x + 2` takes about 150. The other loops go the same way
// (timesRepeat: sends value; do: and inject:into: over an Array go through
// Block>>valueWithElementsOf:into: and valueWithElementsOf:injecting:).
// When the block is one that the running method made and the methods that
// the send and the block reach are the library's own (compiled exactly as
// the text in inline_loop.cpp), the interpreter does their work itself, in
// the same order: the block's code runs in the method's own frame, as an
// inlined whileTrue: condition does (send_shortcut.h), and its closing
// stackReturn starts the next pass. The block's argument words, its
// activity and the send's answer end as the library leaves them; a "^"
// inside the block returns from the method as before. (The block's first
// instruction and argument places are read once, when the loop begins,
// where the library reads them on every pass: only a script that rewrites a
// running block's words can tell.) A walkback from inside such a loop shows
// no lines of the loop's methods, and the block's code as part of its
// method's frame.
#pragma once

#include "smalltalk/interpreter.h"

// Words that an inline loop keeps above its send's receiver and arguments,
// below its mark (see send_shortcut.h, whose first word is here the negated
// resume offset): the loop's state and what the block's words held before.
inline constexpr uint32_t kLoopWords = 14;

// The selectors that may start an inline loop: to:do:, do:, inject:into:,
// to:by:do: and timesRepeat:.
inline constexpr uint32_t kInlineLoopKinds = 5;
extern ObjectRef inlineLoopSelectors[kInlineLoopKinds];
// Bit i set when a loop selector's table index is i modulo 64: every
// keyword send asks, and nearly all are told no by one bit.
extern uint64_t inlineLoopSelectorBits;
inline bool mayStartInlineLoop(ObjectRef selector) {
  if (((inlineLoopSelectorBits >> (selector.Index() & 63)) & 1) == 0) return false;
  return selector == inlineLoopSelectors[0] || selector == inlineLoopSelectors[1] ||
         selector == inlineLoopSelectors[2] || selector == inlineLoopSelectors[3] ||
         selector == inlineLoopSelectors[4];
}
static_assert(kInlineLoopKinds == 5);

// At a send of `selector` whose receiver is at stack position rp, its
// arguments above it (es.byteOffset is the instruction after the send): true when the loop runs inline, its first
// pass started or the loop already over; false leaves the send as it was
// (the first look at the loop's methods may collect, though).
bool startInlineLoop(ExecutionState& es, ObjectRef selector, int32_t rp);

// At the closing stackReturn of an inline loop's block, with the block's
// value on top: the next pass starts, or the loop ends and the method goes
// on after the send. `mark` is the mark's first word.
void stepInlineLoop(ExecutionState& es, ObjectRef* mark);

// The loops' selectors for a new object table; forgetting them.
void setUpLoopSelectors();
void resetInlineLoops();
