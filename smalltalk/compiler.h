// The method compiler: source text of one method in, a filled Method out.
//
// A single-pass recursive-descent parser that emits bytecodes while it parses.
// All state is process-wide: one compilation at a time. Errors and warnings
// go to standard error in the system's own words and compilation goes on
// with the next method.
#pragma once

#include "smalltalk/object_ref.h"

// Makes the compiler see the variables of cls: instance variables of the whole
// superclass chain (root first) and its class variables; a metaclass also sees
// the class variables of its class. nil empties both lists. A chain with more
// names than an operand can number is refused with a message on standard
// error and answers false; the lists are then empty and methods compiled for
// the class fail.
bool loadClassVariables(ObjectRef cls);

// Compiles source into method (slots 0 to 5; the caller sets the class slot).
// Answers true on success; on failure the bytecode slot is nil.
bool compileMethod(ObjectRef method, const char* source, bool keepSource);

// The selector text of the method compiled most recently (as far as it was
// parsed); the interpreter's recovery message names it.
const char* compilingMethodName();
// Sets that text back after a compilation the system makes for itself.
void setCompilingMethodName(const char* name);

// Acquires the compiler's fixed buffers (counted in the memory counters) if
// they do not exist yet. The driver calls it at entry; compileMethod also
// does when needed.
void prepareCompilerBuffers();
