// The integer primitives 60-72, also the inline shortcut of the first
// thirteen binary selectors. Both arguments must be small integers, else the
// primitive fails (answers nil). Results are computed in 64 bits, where every
// sum, difference and product of two small integers is exact; a result that
// does not fit a small integer fails.
#include <cstdint>

#include "smalltalk/primitive_table.h"

namespace {

// Both arguments as integers; false when either is not a small integer.
bool integerPair(const ObjectRef* args, int64_t& a, int64_t& b) {
  if (!args[0].isValue() || !args[1].isValue()) return false;
  a = args[0].uncheckedInt();
  b = args[1].uncheckedInt();
  return true;
}

ObjectRef integerResult(int64_t value) {
  return fitsSmallInt(value) ? smallInt(static_cast<int32_t>(value)) : nilObj;
}

template <typename Op>
ObjectRef arithmetic(const ObjectRef* args, Op op) {
  int64_t a, b;
  return integerPair(args, a, b) ? integerResult(op(a, b)) : nilObj;
}

template <typename Op>
ObjectRef comparison(const ObjectRef* args, Op op) {
  int64_t a, b;
  return integerPair(args, a, b) ? booleanObj(op(a, b)) : nilObj;
}

// quo: and rem: fail on a zero divisor. C++ division truncates toward zero
// and the remainder takes the dividend's sign, as fmod does.
template <typename Op>
ObjectRef division(const ObjectRef* args, Op op) {
  int64_t a, b;
  if (!integerPair(args, a, b) || b == 0) return nilObj;
  return integerResult(op(a, b));
}

}  // namespace

ObjectRef primIntegerAdd(ObjectRef* args) {
  return arithmetic(args, [](int64_t a, int64_t b) { return a + b; });
}
ObjectRef primIntegerSubtract(ObjectRef* args) {
  return arithmetic(args, [](int64_t a, int64_t b) { return a - b; });
}
ObjectRef primIntegerMultiply(ObjectRef* args) {
  return arithmetic(args, [](int64_t a, int64_t b) { return a * b; });
}
ObjectRef primIntegerBitAnd(ObjectRef* args) {
  return arithmetic(args, [](int64_t a, int64_t b) { return a & b; });
}
ObjectRef primIntegerBitXor(ObjectRef* args) {
  return arithmetic(args, [](int64_t a, int64_t b) { return a ^ b; });
}
ObjectRef primIntegerQuo(ObjectRef* args) {
  return division(args, [](int64_t a, int64_t b) { return a / b; });
}
ObjectRef primIntegerRem(ObjectRef* args) {
  return division(args, [](int64_t a, int64_t b) { return a % b; });
}
ObjectRef primIntegerLess(ObjectRef* args) {
  return comparison(args, [](int64_t a, int64_t b) { return a < b; });
}
ObjectRef primIntegerGreater(ObjectRef* args) {
  return comparison(args, [](int64_t a, int64_t b) { return a > b; });
}
ObjectRef primIntegerLessEqual(ObjectRef* args) {
  return comparison(args, [](int64_t a, int64_t b) { return a <= b; });
}
ObjectRef primIntegerGreaterEqual(ObjectRef* args) {
  return comparison(args, [](int64_t a, int64_t b) { return a >= b; });
}
ObjectRef primIntegerEqual(ObjectRef* args) {
  return comparison(args, [](int64_t a, int64_t b) { return a == b; });
}
ObjectRef primIntegerNotEqual(ObjectRef* args) {
  return comparison(args, [](int64_t a, int64_t b) { return a != b; });
}
