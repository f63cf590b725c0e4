// The run loop: it runs the instructions of the running frame, jumping
// between them through label tables that follow the instruction list.
// Internal to the interpreter's files.
#pragma once

#include "smalltalk/bytecodes.h"
#include "smalltalk/interpreter.h"

// Runs instructions until the slice's steps are used up (true) or an
// instruction ends the run (false: the outermost activation returned or a
// send failed).
bool runInstructions(ExecutionState& es);
