// The interpreter's inline helpers: stack words, pushes and pops, operand
// checks. Internal to the interpreter's files.
#pragma once

#include <cstdint>

#include "smalltalk/fatal.h"
#include "smalltalk/interpreter.h"
#include "smalltalk/object_table.h"
#include "smalltalk/process.h"

// Messages of the checks on code that compiled methods cannot break but code
// built by a script can: the first line, then the offending number.
inline constexpr const char* kBadLiteral = "invalid literal index";
inline constexpr const char* kBadTemporary = "invalid temporary index";
inline constexpr const char* kBadArgument = "invalid argument index";
inline constexpr const char* kBadBranch = "invalid branch target";
inline constexpr const char* kBadOffset = "bytecode offset past the end of the method";
inline constexpr const char* kBadSpecialSelector = "invalid special selector";
inline constexpr const char* kBadArgumentCount = "invalid argument count";
inline constexpr const char* kStackUnderflow = "stack underflow";

// The word at stack position p (1-based).
inline ObjectRef& stackAt(ExecutionState& es, int64_t p) { return es.stackBase[p - 1]; }
inline ObjectRef& stackTop(ExecutionState& es) { return es.stackBase[es.depth - 1]; }

// Position of the lowest evaluation-stack word of the running frame: pops and
// return points never reach into the frame header below it.
inline uint32_t frameFloor(const ExecutionState& es) {
  return static_cast<uint32_t>(es.linkPosition) + kFrameByteOffset;
}

// Pushes do not apply the store rule.
inline void push(ExecutionState& es, ObjectRef value) {
  if (es.depth >= es.capacity) [[unlikely]]
    ensureStackRoom(es, 1);
  es.stackBase[es.depth++] = value;
}

// Takes the top off: its word becomes nil.
inline ObjectRef pop(ExecutionState& es) {
  if (es.depth <= frameFloor(es)) [[unlikely]]
    fatalNumber(kStackUnderflow, es.depth);
  ObjectRef value = es.stackBase[--es.depth];
  es.stackBase[es.depth] = nilObj;
  return value;
}

// Takes the top off and clears its fresh flag (it is no longer held here).
inline ObjectRef popReleasing(ExecutionState& es) {
  ObjectRef value = pop(es);
  clearFresh(value);
  return value;
}

// Stack words that a return or an answered send takes off become nil, and
// their objects lose the fresh flag. The table stays in a register: a store
// through an ObjectRef pointer could otherwise alias it and force a reload
// per word.
[[gnu::always_inline]] inline void releaseWords(ObjectRef* first, ObjectRef* end) {
  ObjectEntry* const table = objTbl;
  for (ObjectRef* word = first; word < end; ++word) {
    if (!word->isValue()) table[word->Index()].flags &= ~kFreshFlag;
    *word = nilObj;
  }
}

// The next code byte; running off the end of the method is fatal.
inline uint8_t nextByte(ExecutionState& es) {
  if (es.byteOffset > es.codeSize) [[unlikely]]
    fatalNumber(kBadOffset, es.byteOffset);
  return es.bytecodes[es.byteOffset++ - 1];
}

inline ObjectRef literalAt(const ExecutionState& es, int n) {
  if (static_cast<uint32_t>(n) >= es.literalCount) [[unlikely]]
    fatalNumber(kBadLiteral, n);
  return es.literals[n];
}

// A pointer object with at least n words (a Method, a class, a Context).
inline bool hasWords(ObjectRef obj, uint32_t n) {
  return !obj.isValue() && obj != pointerList && isPointerObject(obj) && wordCount(obj) >= n;
}

// Body and word count of a pointer object, or null and 0 for anything else.
inline ObjectRef* pointerBody(ObjectRef obj, uint32_t& words) {
  if (obj.isValue() || obj == pointerList || !isPointerObject(obj)) {
    words = 0;
    return nullptr;
  }
  words = wordCount(obj);
  return words == 0 ? nullptr : bodyOf(obj);
}
