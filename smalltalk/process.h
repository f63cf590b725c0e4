// Process and frame layout.
//
// A Process is a 3-word pointer object without class: its stack, the stack
// depth and the link position of the running activation. A frame sits on the
// process stack at link position L (1-based):
//
//   return point .. L-1   receiver and arguments
//   L                     link position of the caller (0 for the outermost)
//   L+1                   the activation's Context, or nil while it lives here
//   L+2                   return point (position of the receiver)
//   L+3                   the Method
//   L+4                   byte offset to resume at
//   L+5 ..                temporaries, then the evaluation stack
#pragma once

#include <cstdint>

#include "smalltalk/object_ref.h"

// Words of a Process.
inline constexpr uint32_t kProcessStack = 0;
inline constexpr uint32_t kProcessDepth = 1;
inline constexpr uint32_t kProcessLink = 2;
inline constexpr uint32_t kProcessWords = 3;

// Frame words, as offsets from the link position.
inline constexpr int32_t kFrameCallerLink = 0;
inline constexpr int32_t kFrameContext = 1;
inline constexpr int32_t kFrameReturnPoint = 2;
inline constexpr int32_t kFrameMethod = 3;
inline constexpr int32_t kFrameByteOffset = 4;
inline constexpr int32_t kFrameTemporaries = 5;
inline constexpr uint32_t kFrameHeaderWords = 5;  // link, context, return point, method, offset

// Stack growth: at least this many words are added at a time, and at least
// half the current capacity, so that a deep recursion copies its stack a
// logarithmic number of times rather than once every 128 words.
inline constexpr uint32_t kStackGrowthMinimum = 128;
inline constexpr uint32_t kStackGrowthDivisor = 2;
// A process stack never holds more words than this (16 MB): a runaway
// recursion stops with a fatal message instead of exhausting memory.
inline constexpr uint32_t kMaxProcessStackWords = 1u << 22;
// Words kept free above the top for a primitive call, so that a primitive
// reading more arguments than were pushed reads nil, never past the stack.
inline constexpr uint32_t kPrimitiveArgumentRoom = 8;

// A top-level evaluation's process: a 50-word stack holding the receiver and
// the outermost frame of method (link position 2), with room for the method's
// temporaries (at least four words); depth 10 for up to four temporaries.
inline constexpr uint32_t kEvaluationStackWords = 50;
inline constexpr uint32_t kEvaluationTemporaryRoom = 4;
inline constexpr int32_t kEvaluationLink = 2;

// Builds that process (both objects fresh, without class). A method with
// more than four temporaries gets room for all of them, so that its
// temporaries never share words with the evaluation stack.
ObjectRef newEvaluationProcess(ObjectRef method, ObjectRef receiver = nilObj);

// The stack depth and top word of a process (after execute returned).
uint32_t processDepth(ObjectRef process);
ObjectRef processTop(ObjectRef process);
