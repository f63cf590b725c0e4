// The instruction handlers, one per opcode, and the run loop that jumps
// between them through label tables built from the instruction list.
// Internal to the interpreter's files.
#pragma once

#include "smalltalk/bytecodes.h"
#include "smalltalk/interpreter.h"

// Each handler runs one instruction; false ends `execute` with false.

#define TOLVA_HANDLER_DECLARE(number, enumerator, handler) \
  bool handler(ExecutionState& es, int operand);
TOLVA_OPCODES(TOLVA_HANDLER_DECLARE)
#undef TOLVA_HANDLER_DECLARE

// Runs instructions until the slice's steps are used up (true) or an
// instruction ends the run (false: the outermost activation returned or a
// send failed).
bool runInstructions(ExecutionState& es);
