// The minimal object world every run starts from, and the class look-ups the
// compiler uses.
#pragma once

#include <cstdint>

#include "smalltalk/object_ref.h"

// Creates the object table and builds the world: nil, true, false, the symbol
// table, the core classes and metaclasses, the global "version".
void bootstrapObjectWorld();
// The interpreter set-up: checks the fixed globals nil, true, false, symbols
// (an internal error otherwise), interns the special selectors into the
// interpreter's tables and empties the directory listing slots.
void setUpInterpreter();

// Creates a class and its metaclass ("<name>Meta") and enters both as globals.
ObjectRef newClass(const char* name);
// The global class named name, or a new one; its instance size becomes 0 when nil.
ObjectRef findOrCreateClass(const char* name);
