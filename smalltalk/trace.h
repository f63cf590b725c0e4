// The interpreter's three trace counters. A counter above 0 prints that many
// more lines on standard error, one per event, counting down; 0 is off.
#pragma once

#include <cstdint>

#include "smalltalk/object_ref.h"

enum TraceCounter : int {
  kTraceBytecodes = 0,   // "%d: %d %d  (%s)\n": counter, opcode, operand, name
  kTracePrimitives = 1,  // "%d: <%d>\n": counter, primitive number
  kTraceMessages = 2,    // "%d: %s\n": counter, selector
  kTraceCounterCount = 3
};

extern int32_t traceCounters[kTraceCounterCount];

// Sets counter which (0-2) to value (primitive 151); false for another index.
// A negative value counts as off (it is kept as 0).
bool setTraceCounter(int which, int32_t value);
void resetTraceCounters();

// True while the counter still has lines to print.
inline bool tracing(TraceCounter which) { return traceCounters[which] > 0; }
// True while any of the three traces is on. The counters are never negative,
// so one test of their bits tells, without a branch per counter.
inline bool tracingAny() {
  return (traceCounters[kTraceBytecodes] | traceCounters[kTracePrimitives] |
          traceCounters[kTraceMessages]) != 0;
}

// Print one line and count it; call only while tracing(...) is true.
void traceBytecode(int opcode, int operand);
void tracePrimitive(int number);
void traceMessage(ObjectRef selector);
