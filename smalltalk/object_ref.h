// The script system's value: one 32-bit word.
//
// Odd words are small integers (n * 2 + 1, 31-bit signed); even words are
// object-table indices times two. Every helper that builds or takes apart a
// reference lives here, so the encoding is written down exactly once.
#pragma once

#include <cstdint>

#include "smalltalk/fatal.h"

inline constexpr int32_t kSmallIntMin = -(int32_t{1} << 30);      // -1,073,741,824
inline constexpr int32_t kSmallIntMax = (int32_t{1} << 30) - 1;  //  1,073,741,823

struct ObjectRef {
  uint32_t word = 0;

  // A small integer lives in the reference itself.
  constexpr bool isValue() const { return (word & 1u) != 0; }
  // The object-table index of an object reference.
  constexpr uint32_t Index() const { return word >> 1; }

  // The value of a small integer, unchecked: callers have tested isValue().
  constexpr int32_t uncheckedInt() const { return static_cast<int32_t>(word) >> 1; }
  // The value of a small integer; a reference that is not one stops the system.
  int32_t intValue() const {
    if (!isValue()) [[unlikely]]
      internalError("isValue()", kSourceTolva);
    return uncheckedInt();
  }

  static constexpr ObjectRef fromIndex(uint32_t index) { return ObjectRef{index << 1}; }
  // Callers make sure the value fits (fitsSmallInt); the top bit is dropped.
  static constexpr ObjectRef fromInt(int32_t value) {
    return ObjectRef{(static_cast<uint32_t>(value) << 1) | 1u};
  }

  friend constexpr bool operator==(ObjectRef a, ObjectRef b) { return a.word == b.word; }
  friend constexpr bool operator!=(ObjectRef a, ObjectRef b) { return a.word != b.word; }
};
static_assert(sizeof(ObjectRef) == 4, "object bodies are arrays of 32-bit words");

// True when value survives the round trip through a small integer.
constexpr bool fitsSmallInt(int64_t value) {
  return value >= kSmallIntMin && value <= kSmallIntMax;
}

// Shorthand used all over the system.
constexpr ObjectRef smallInt(int32_t value) { return ObjectRef::fromInt(value); }

// Reference 0 designates entry 0, which heads the free list and is never an object.
inline constexpr ObjectRef pointerList{0};

// The fixed first objects, created by the bootstrap at indices 1 to 5.
inline constexpr uint32_t kNilIndex = 1;
inline constexpr uint32_t kTrueIndex = 2;
inline constexpr uint32_t kFalseIndex = 3;
inline constexpr uint32_t kHashTableIndex = 4;
inline constexpr uint32_t kSymbolsIndex = 5;

inline constexpr ObjectRef nilObj = ObjectRef::fromIndex(kNilIndex);
inline constexpr ObjectRef trueObj = ObjectRef::fromIndex(kTrueIndex);
inline constexpr ObjectRef falseObj = ObjectRef::fromIndex(kFalseIndex);
inline constexpr ObjectRef hashTable = ObjectRef::fromIndex(kHashTableIndex);
inline constexpr ObjectRef symbols = ObjectRef::fromIndex(kSymbolsIndex);

constexpr ObjectRef booleanObj(bool value) { return value ? trueObj : falseObj; }
