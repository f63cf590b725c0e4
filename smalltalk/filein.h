// File-in of chunk files: class definitions and method lists.
//
// A chunk ends at "!" followed by a line feed or carriage return; "!!" stands
// for one "!"; "!" followed by any other character ends a chunk that has
// content (that character is lost) and is kept, with that character, at the
// start of a chunk (method-list headers begin with "!"). Before a chunk, line
// ends and whole lines beginning with "#" are skipped.
#pragma once

#include <cstdio>

#include "smalltalk/object_ref.h"

// The next chunk as a String (a trailing "! " removed), or nil for an empty
// chunk and at the end of the file (an unfinished last chunk is dropped).
ObjectRef readChunk(std::FILE* file);

// Reads chunks until the end: method-list headers install the methods that
// follow, every other chunk is a class definition.
void fileIn(std::FILE* file);

// One class definition, such as
//   Object subclass: #Point instanceVariableNames: 'x y' classVariableNames: ''
//          poolDictionaries: '' category: 'Graphics'
// Answers the class, or nil when the chunk names none.
ObjectRef defineClass(const char* chunk);

// A method-list header such as "!Point class methodsFor: 'x'" (with its "!"),
// then the methods read from file up to a chunk "}" or the end of the file.
void installMethods(const char* header, std::FILE* file);
