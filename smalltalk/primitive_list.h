// The numbered primitives, listed once: X(number, name, handler).
//
// Adding a primitive is one line here plus its function (signature
// `ObjectRef handler(ObjectRef* args)`) in the family's own file; the table,
// the declarations and the tests all read this list. Numbers 0-159 that are
// not listed answer nil and do nothing; 160-255 are empty slots that the
// interpreter answers with nil without calling anything. Keep the lines in
// ascending order of number.
//
// The handler receives the address of its first argument on the process
// stack; the arguments follow in source order. It answers nil on failure.
#pragma once

#define TOLVA_PRIMITIVES(X)                     \
  X(60, "integer +", primIntegerAdd)            \
  X(61, "integer -", primIntegerSubtract)       \
  X(62, "integer <", primIntegerLess)           \
  X(63, "integer >", primIntegerGreater)        \
  X(64, "integer <=", primIntegerLessEqual)     \
  X(65, "integer >=", primIntegerGreaterEqual)  \
  X(66, "integer =", primIntegerEqual)          \
  X(67, "integer ~=", primIntegerNotEqual)      \
  X(68, "integer *", primIntegerMultiply)       \
  X(69, "integer quo:", primIntegerQuo)         \
  X(70, "integer rem:", primIntegerRem)         \
  X(71, "integer bitAnd:", primIntegerBitAnd)   \
  X(72, "integer bitXor:", primIntegerBitXor)
