// Number primitives beyond the integer shortcut: the scramble, the shift and
// the Float operations. A Float argument must be a Float (an 8-byte object of
// class Float), else the primitive fails.
#include <cmath>
#include <cstring>

#include "smalltalk/class_layout.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/float_sends.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/symbols.h"

namespace {

constexpr uint32_t kShiftModulus = 32;
constexpr uint32_t kScrambleMask = 0xFFFF;
// The split of primitive 106 keeps this many bits of the mantissa.
constexpr int kSplitMantissaBits = 12;

bool floatArg(ObjectRef ref, double& out) { return floatArg(ref, floatClass(), out); }

template <typename Op>
ObjectRef floatArithmetic(const ObjectRef* args, Op op) {
  const ObjectRef cls = floatClass();
  double a, b;
  return floatArg(args[0], cls, a) && floatArg(args[1], cls, b) ? newFloatOfClass(op(a, b), cls)
                                                                 : nilObj;
}

template <typename Op>
ObjectRef floatComparison(const ObjectRef* args, Op op) {
  const ObjectRef cls = floatClass();
  double a, b;
  return floatArg(args[0], cls, a) && floatArg(args[1], cls, b) ? booleanObj(op(a, b)) : nilObj;
}

template <typename Op>
ObjectRef floatFunction(const ObjectRef* args, Op op) {
  const ObjectRef cls = floatClass();
  double a;
  return floatArg(args[0], cls, a) ? newFloatOfClass(op(a), cls) : nilObj;
}

// Arithmetic right shift of a 32-bit word, written without relying on the
// shift of a negative signed value.
uint32_t shiftRightArithmetic(uint32_t x, uint32_t n) {
  uint32_t shifted = x >> n;
  if ((x & 0x80000000u) != 0 && n != 0) shifted |= ~(0xFFFFFFFFu >> n);
  return shifted;
}

}  // namespace

// Mixes the bits of an integer into 0..65535, in unsigned 32-bit arithmetic.
ObjectRef primScramble(ObjectRef* args) {
  std::optional<int32_t> value = intArg(args[0]);
  if (!value) return nilObj;
  uint32_t x = static_cast<uint32_t>(*value);
  uint32_t t = ~x;
  x += shiftRightArithmetic(t, 22) | (t << 10);
  x += shiftRightArithmetic(x, 26) | (x << 6);
  x -= shiftRightArithmetic(x, 16) | (x << 16);
  return smallInt(static_cast<int32_t>(x & kScrambleMask));
}

// Shifts left for a count of 0 or more, arithmetically right for a negative
// one; the count is taken modulo 32 and bits beyond the small integer are lost.
ObjectRef primBitShift(ObjectRef* args) {
  std::optional<int32_t> value = intArg(args[0]);
  std::optional<int32_t> count = intArg(args[1]);
  if (!value || !count) return nilObj;
  uint32_t x = static_cast<uint32_t>(*value);
  int64_t n = *count;
  uint32_t result = n >= 0 ? x << static_cast<uint32_t>(n % kShiftModulus)
                           : shiftRightArithmetic(x, static_cast<uint32_t>((-n) % kShiftModulus));
  return smallInt(static_cast<int32_t>(result));
}

ObjectRef primFloatLn(ObjectRef* args) {
  return floatFunction(args, [](double x) { return std::log(x); });
}
ObjectRef primFloatExp(ObjectRef* args) {
  return floatFunction(args, [](double x) { return std::exp(x); });
}

// {mantissa, exponent} with x = mantissa * 2^exponent; the mantissa keeps at
// most 12 bits above the binary point. Infinities and NaN have no such split.
ObjectRef primFloatSplit(ObjectRef* args) {
  double x;
  if (!floatArg(args[0], x) || !std::isfinite(x)) return nilObj;
  int e = 0;
  double m = std::frexp(x, &e);
  double v = x;
  int exponent = 0;
  if (e > kSplitMantissaBits) {
    v = std::ldexp(m, kSplitMantissaBits);
    exponent = e - kSplitMantissaBits;
  }
  return arrayResult({smallInt(static_cast<int32_t>(std::trunc(v))), smallInt(exponent)});
}

ObjectRef primFloatAdd(ObjectRef* args) {
  return floatArithmetic(args, [](double a, double b) { return a + b; });
}
ObjectRef primFloatSubtract(ObjectRef* args) {
  return floatArithmetic(args, [](double a, double b) { return a - b; });
}
ObjectRef primFloatLess(ObjectRef* args) {
  return floatComparison(args, [](double a, double b) { return a < b; });
}
ObjectRef primFloatGreater(ObjectRef* args) {
  return floatComparison(args, [](double a, double b) { return a > b; });
}
ObjectRef primFloatLessEqual(ObjectRef* args) {
  return floatComparison(args, [](double a, double b) { return a <= b; });
}
ObjectRef primFloatGreaterEqual(ObjectRef* args) {
  return floatComparison(args, [](double a, double b) { return a >= b; });
}
ObjectRef primFloatEqual(ObjectRef* args) {
  return floatComparison(args, [](double a, double b) { return a == b; });
}
ObjectRef primFloatNotEqual(ObjectRef* args) {
  return floatComparison(args, [](double a, double b) { return a != b; });
}
ObjectRef primFloatMultiply(ObjectRef* args) {
  return floatArithmetic(args, [](double a, double b) { return a * b; });
}
ObjectRef primFloatDivide(ObjectRef* args) {
  return floatArithmetic(args, [](double a, double b) { return a / b; });
}
