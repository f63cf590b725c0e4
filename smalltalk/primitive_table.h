// The table of 256 primitive slots and the calling convention.
//
// A primitive receives the address of its first argument word on the process
// stack (the following arguments are the next words) and answers one
// reference; nil means failure. Slots 0-159 always hold an operation (the
// listed one, or one that does nothing and answers nil); slots 160-255 are
// empty and the interpreter answers nil for them without calling anything.
#pragma once

#include <array>

#include "smalltalk/object_ref.h"
#include "smalltalk/primitive_list.h"

using Primitive = ObjectRef (*)(ObjectRef* args);

constexpr int kPrimitiveSlots = 256;     // one byte of bytecode names the number
constexpr int kPrimitiveOperations = 160; // slots below this hold an operation

// Every listed handler, declared from the list.
#define TOLVA_PRIMITIVE_DECLARE(number, name, handler) ObjectRef handler(ObjectRef* args);
TOLVA_PRIMITIVES(TOLVA_PRIMITIVE_DECLARE)
#undef TOLVA_PRIMITIVE_DECLARE

// The operation in slot number, or null for an empty slot (and for numbers
// outside 0-255).
Primitive primitiveAt(int number);

// The listed name of a primitive, or null when the number is not listed.
const char* primitiveName(int number);

// Calls primitive number with args; an empty slot answers nil.
ObjectRef callPrimitive(int number, ObjectRef* args);

// The operation of every slot below kPrimitiveOperations (primUnimplemented
// where none is listed), for callers that know their number is one of them.
extern const std::array<Primitive, kPrimitiveOperations> kPrimitiveOperationTable;
inline ObjectRef callListedPrimitive(int number, ObjectRef* args) {
  return kPrimitiveOperationTable[number](args);
}

// The default operation of unlisted numbers below 160: does nothing, answers nil.
ObjectRef primUnimplemented(ObjectRef* args);
