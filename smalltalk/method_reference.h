// Library methods as the interpreter knows them: a method's text, compiled
// once with the system's own compiler, and the test that a Method that a
// send finds was compiled exactly so (bytecodes, literals, stack size and
// temporaries). The interpreter does the work of a few library methods
// itself (the loops of inline_loop.h, the methods of native_methods.h), and
// only while the methods that sends find are that code: a program that
// defines its own is run as it wrote it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "smalltalk/object_ref.h"

// A method's text and the class whose variables it names.
struct MethodText {
  const char* selector;
  const char* className;
  const char* source;
};

// What the compiler made of a method's text. Kept as plain data, so that it
// outlives object tables: each literal as a small integer's word, a
// Symbol's or a String's text, a Float's bytes, or the words of a block
// literal (which hold small integers and nil only).
struct ReferenceLiteral {
  enum Kind : uint8_t { Value, Symbol, String, Float, Block } kind = Value;
  ObjectRef value;
  std::string text;
  std::vector<ObjectRef> words;
};
struct ReferenceCode {
  bool tried = false;
  bool made = false;  // (a text that did not compile stops only what needs it)
  std::vector<uint8_t> bytecodes;
  std::vector<ReferenceLiteral> literals;
  ObjectRef stackSize, temporaryCount;
};

// Compiles the text into reference once (a text that did not compile, for
// want of its class, is tried again after forgetUnmade). May collect. The
// name that the compiler reports is left as it was.
void makeReference(ReferenceCode& reference, const MethodText& text);
// Lets a text that did not compile be tried again (in the next object table).
void forgetUnmade(ReferenceCode& reference);

// Is method compiled exactly as the reference?
bool sameCode(ObjectRef method, const ReferenceCode& reference);

// The method that a send of `selector` to an instance of cls finds: the
// cache's line, or the search along the superclass chain (which leaves the
// cache and the interpreter's registers as they were); nil when none.
ObjectRef methodFor(ObjectRef selector, ObjectRef cls);
