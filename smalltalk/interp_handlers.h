// The instruction handlers, one per opcode, dispatched through one table
// built from the instruction list. Internal to the interpreter's files.
#pragma once

#include "smalltalk/bytecodes.h"
#include "smalltalk/interpreter.h"

// Runs one instruction; false ends `execute` with false.
using InstructionHandler = bool (*)(ExecutionState& es, int operand);

#define TOLVA_HANDLER_DECLARE(number, enumerator, handler) \
  bool handler(ExecutionState& es, int operand);
TOLVA_OPCODES(TOLVA_HANDLER_DECLARE)
#undef TOLVA_HANDLER_DECLARE

extern const InstructionHandler kInstructionHandlers[kOpcodeCount];
