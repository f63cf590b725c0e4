// Constructors of the core kinds of object. Each creates the object and sets
// its class (found by name among the globals; Array, String and Symbol through
// the class caches).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "smalltalk/class_layout.h"
#include "smalltalk/object_ref.h"
#include "smalltalk/object_table.h"
#include "smalltalk/symbols.h"

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
// The class of the Floats made here (the global Float), and newFloat for a
// caller that read it already (the Float primitives read it once for their
// arguments and their answer).
// In line: the Float primitives make one Float for every operation.
extern KnownGlobal floatGlobal;
inline ObjectRef floatClass() { return floatGlobal.value(); }
inline ObjectRef newFloatOfClass(double value, ObjectRef cls);
// The double held by a Float's 8 bytes (little-endian whatever the machine's order).
inline double floatValue(ObjectRef aFloat) {
  TOLVA_CHECK(byteSize(aFloat) >= kFloatBytes, kSourceTolva);
  const uint8_t* in = bytesOf(aFloat);
  uint64_t bits = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&bits, in, sizeof bits);
  } else {
    for (uint32_t i = 0; i < kFloatBytes; ++i) bits |= uint64_t{in[i]} << (8 * i);
  }
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
static_assert(sizeof(double) == kFloatBytes, "a Float body holds one double");
// Stores value as a Float's 8 bytes, little-endian whatever the machine's order.
inline void putDouble(uint8_t* out, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, &bits, sizeof bits);
  } else {
    for (uint32_t i = 0; i < kFloatBytes; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
  }
}
inline ObjectRef newFloatOfClass(double value, ObjectRef cls) {
  ObjectRef number = newByteObject(kFloatBytes);
  setClass(number, cls);  // held by the globals: the allocation cannot have taken it
  putDouble(bytesOf(number), value);
  return number;
}
ObjectRef newLink(ObjectRef key, ObjectRef value);
ObjectRef newMethod();
// A String of the text; a null text gives nil.
ObjectRef newString(const char* text);
ObjectRef newSymbol(const char* text);  // the same as intern
