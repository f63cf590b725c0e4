#include "smalltalk/trace.h"

#include <cstdio>
#include <cstring>

#include "smalltalk/bytecodes.h"
#include "smalltalk/object_table.h"

int32_t traceCounters[kTraceCounterCount];

bool setTraceCounter(int which, int32_t value) {
  if (which < 0 || which >= kTraceCounterCount) return false;
  traceCounters[which] = value > 0 ? value : 0;  // off is 0, so that tracingAny can join them
  return true;
}

void resetTraceCounters() {
  for (int32_t& counter : traceCounters) counter = 0;
}

void traceBytecode(int opcode, int operand) {
  std::fprintf(stderr, "%d: %d %d  (%s)\n", traceCounters[kTraceBytecodes]--, opcode, operand,
               opcodeName(opcode));
}

void tracePrimitive(int number) {
  std::fprintf(stderr, "%d: <%d>\n", traceCounters[kTracePrimitives]--, number);
}

// A selector without text (not a byte object) prints as an empty name.
void traceMessage(ObjectRef selector) {
  const char* text = "";
  size_t length = 0;
  if (!selector.isValue() && selector != pointerList && !isPointerObject(selector) &&
      byteSize(selector) > 0) {
    text = charsOf(selector);
    length = strnlen(text, byteSize(selector));
  }
  std::fprintf(stderr, "%d: %.*s\n", traceCounters[kTraceMessages]--, static_cast<int>(length),
               text);
}
