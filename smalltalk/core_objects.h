// Constructors of the core kinds of object. Each creates the object and sets
// its class (found by name among the globals; Array, String and Symbol through
// the class caches).
#pragma once

#include <cstdint>

#include "smalltalk/object_ref.h"

ObjectRef newArray(uint32_t words);
ObjectRef newBlock();
ObjectRef newByteArray(uint32_t bytes);
ObjectRef newChar(int32_t code);
// A Context of method with the two Arrays; word 0 is the link position of the
// activation (the interpreter passes its current one).
ObjectRef newContext(ObjectRef method, ObjectRef arguments, ObjectRef temporaries,
                     int32_t linkPosition);
ObjectRef newDictionary();
ObjectRef newFloat(double value);
double floatValue(ObjectRef aFloat);  // the double held by a Float's 8 bytes
ObjectRef newLink(ObjectRef key, ObjectRef value);
ObjectRef newMethod();
// A String of the text; a null text gives nil.
ObjectRef newString(const char* text);
ObjectRef newSymbol(const char* text);  // the same as intern
