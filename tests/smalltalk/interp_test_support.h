// Hand-assembled methods run on a process, for the interpreter tests: every
// case starts from a freshly booted world with a cleared interpreter.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "smalltalk/bootstrap.h"
#include "smalltalk/class_layout.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/interpreter.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/name_table.h"
#include "smalltalk/object_table.h"
#include "smalltalk/process.h"
#include "smalltalk/symbols.h"

inline constexpr int32_t kSlice = 16384;

// Instruction bytes that the hand-assembled methods use by name.
inline constexpr uint8_t kPushContext = 0x54;
inline constexpr uint8_t kIsNil = 0xA0;  // unary special send 0
inline constexpr uint8_t kSelfReturn = 0xF1;
inline constexpr uint8_t kStackReturn = 0xF2;
inline constexpr uint8_t kDuplicate = 0xF4;
inline constexpr uint8_t kPopTop = 0xF5;
inline constexpr uint8_t kBranch = 0xF6;  // followed by a two-byte target
inline constexpr uint8_t kBranchIfTrue = 0xF7;
inline constexpr uint8_t kBranchIfFalse = 0xF8;

struct HandMadeMethod {
  HandMadeMethod(std::vector<uint8_t> code, std::vector<ObjectRef> literals = {},
             int32_t temporaries = 0, int32_t stackSize = 6)
      : code(std::move(code)), literals(std::move(literals)), temporaries(temporaries),
        stackSize(stackSize) {}
  std::vector<uint8_t> code;
  std::vector<ObjectRef> literals;
  int32_t temporaries;
  int32_t stackSize;
};

// A Method object with the given code, literals and sizes.
inline ObjectRef makeMethod(const HandMadeMethod& shape) {
  ObjectRef m = newMethod();
  ObjectRef code = newByteArray(static_cast<uint32_t>(shape.code.size()));
  if (!shape.code.empty()) std::memcpy(bytesOf(code), shape.code.data(), shape.code.size());
  storeWord(m, kMethodBytecodes, code);
  if (!shape.literals.empty()) {
    ObjectRef lits = newArray(static_cast<uint32_t>(shape.literals.size()));
    for (uint32_t i = 0; i < shape.literals.size(); ++i) storeWord(lits, i, shape.literals[i]);
    storeWord(m, kMethodLiterals, lits);
  }
  storeWord(m, kMethodStackSize, smallInt(shape.stackSize));
  storeWord(m, kMethodTemporaryCount, smallInt(shape.temporaries));
  return m;
}

// Installs method under selector in cls (as the compiler does: the class
// word is set and the selector's cache lines are cleared).
inline ObjectRef install(ObjectRef cls, const char* selector, ObjectRef method) {
  ObjectRef sel = intern(selector);
  if (wordAt(cls, kClassMethods) == nilObj) storeWord(cls, kClassMethods, newDictionary());
  dictionaryAtPut(wordAt(cls, kClassMethods), sel, method);
  storeWord(method, kMethodSelector, sel);
  storeWord(method, kMethodClass, cls);
  flushCacheSelector(sel);
  return method;
}

inline ObjectRef defineClass(const char* name, ObjectRef superclass = nilObj,
                             int32_t instanceSize = 0) {
  ObjectRef cls = newClass(name);
  storeWord(cls, kClassSuperclass, superclass);
  storeWord(cls, kClassInstanceSize, smallInt(instanceSize));
  return cls;
}

inline ObjectRef instanceOf(ObjectRef cls, std::initializer_list<ObjectRef> words = {}) {
  ObjectRef obj = newPointerObject(static_cast<uint32_t>(words.size()));
  uint32_t i = 0;
  for (ObjectRef w : words) storeWord(obj, i++, w);
  setClass(obj, cls);
  return obj;
}

// A process whose outermost frame runs method on receiver and args, on a
// stack of the given word count (0: just enough plus 50 spare words).
inline ObjectRef processFor(ObjectRef method, ObjectRef receiver,
                            const std::vector<ObjectRef>& args = {}, uint32_t capacity = 0) {
  const uint32_t temporaries = static_cast<uint32_t>(wordAt(method, kMethodTemporaryCount).intValue());
  const uint32_t link = 1 + static_cast<uint32_t>(args.size()) + 1;
  const uint32_t depth = link + kFrameHeaderWords - 1 + temporaries;
  ObjectRef process = newPointerObject(kProcessWords);
  ObjectRef stack = newPointerObject(capacity ? capacity : depth + 50);
  storeWord(process, kProcessStack, stack);
  storeWord(process, kProcessDepth, smallInt(static_cast<int32_t>(depth)));
  storeWord(process, kProcessLink, smallInt(static_cast<int32_t>(link)));
  uint32_t p = 0;
  storeWord(stack, p++, receiver);
  for (ObjectRef a : args) storeWord(stack, p++, a);
  const ObjectRef frame[] = {smallInt(0), nilObj, smallInt(1), method, smallInt(1)};
  for (ObjectRef w : frame) storeWord(stack, p++, w);
  return process;
}

// Runs process to its end; answers the top of its stack. slices counts the
// slices that ended with the process still active.
inline ObjectRef runToEnd(ObjectRef process, int* slices = nullptr, int32_t steps = kSlice) {
  int active = 0;
  while (execute(process, steps)) ++active;
  if (slices) *slices = active;
  return processTop(process);
}

inline ObjectRef run(const HandMadeMethod& shape, ObjectRef receiver = nilObj,
                     const std::vector<ObjectRef>& args = {}) {
  return runToEnd(processFor(makeMethod(shape), receiver, args));
}

inline bool cacheIsEmpty() {
  auto empty = [](const CacheLine& line) {
    return !line.selector.word && !line.lookupClass.word && !line.foundClass.word && !line.method.word;
  };
  for (const CacheLine& line : methodCache)
    if (!empty(line)) return false;
  for (const CacheLine& line : spareLines)
    if (!empty(line)) return false;
  return true;
}

class InterpWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    resetInterpreter();
    bootstrapObjectWorld();
    setUpInterpreter();
  }
  void TearDown() override {
    resetInterpreter();
    destroyObjectTable();
  }
};
