// Calling primitives through the primitive table on a freshly booted world.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "smalltalk/bootstrap.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/object_table.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/symbols.h"

// Arguments beyond those given read as nil, as on the interpreter's stack.
inline ObjectRef prim(int number, std::initializer_list<ObjectRef> args = {}) {
  ObjectRef words[8] = {nilObj, nilObj, nilObj, nilObj, nilObj, nilObj, nilObj, nilObj};
  int i = 0;
  for (ObjectRef a : args) words[i++] = a;
  return callPrimitive(number, words);
}

inline ObjectRef str(const char* text) { return newString(text); }
inline ObjectRef num(int32_t n) { return smallInt(n); }

// The text of a byte object up to its first zero byte (or its end).
inline std::string textOfObject(ObjectRef obj) {
  if (byteSize(obj) == 0) return "";
  std::string text(charsOf(obj), byteSize(obj));
  return text.substr(0, text.find('\0'));
}

inline int32_t intOf(ObjectRef ref) { return ref.intValue(); }

class PrimWorld : public ::testing::Test {
 protected:
  void SetUp() override { bootstrapObjectWorld(); }
  void TearDown() override { destroyObjectTable(); }
};
