// The thirteen small-integer operations of primitives 60-72, which are also
// the inline shortcut of the first thirteen binary selectors. Results are
// computed in 64 bits, where every sum, difference and product of two small
// integers is exact; a result that does not fit a small integer fails, and so
// do quo: and rem: by zero. C++ division truncates toward zero and the
// remainder takes the dividend's sign.
#pragma once

#include <cstdint>

#include "smalltalk/object_ref.h"

enum class IntegerOperation : uint8_t {
  Add, Subtract, Less, Greater, LessEqual, GreaterEqual, Equal, NotEqual, Multiply, Quo, Rem,
  BitAnd, BitXor,
};

// The operation's answer for a and b, or nil when it fails.
[[gnu::always_inline]] inline ObjectRef integerOperation(IntegerOperation op, int64_t a, int64_t b) {
  int64_t value = 0;
  switch (op) {
    case IntegerOperation::Add: value = a + b; break;
    case IntegerOperation::Subtract: value = a - b; break;
    case IntegerOperation::Multiply: value = a * b; break;
    case IntegerOperation::BitAnd: value = a & b; break;
    case IntegerOperation::BitXor: value = a ^ b; break;
    case IntegerOperation::Quo:
      if (b == 0) return nilObj;
      value = a / b;
      break;
    case IntegerOperation::Rem:
      if (b == 0) return nilObj;
      value = a % b;
      break;
    case IntegerOperation::Less: return booleanObj(a < b);
    case IntegerOperation::Greater: return booleanObj(a > b);
    case IntegerOperation::LessEqual: return booleanObj(a <= b);
    case IntegerOperation::GreaterEqual: return booleanObj(a >= b);
    case IntegerOperation::Equal: return booleanObj(a == b);
    case IntegerOperation::NotEqual: return booleanObj(a != b);
  }
  return fitsSmallInt(value) ? smallInt(static_cast<int32_t>(value)) : nilObj;
}

// The operation on two words: nil unless both are small integers.
[[gnu::always_inline]] inline ObjectRef integerOperation(IntegerOperation op, const ObjectRef* args) {
  if (!args[0].isValue() || !args[1].isValue()) return nilObj;
  return integerOperation(op, args[0].uncheckedInt(), args[1].uncheckedInt());
}
