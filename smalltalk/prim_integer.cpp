// The integer primitives 60-72 (see integer_operations.h). Both arguments
// must be small integers, else the primitive fails (answers nil).
#include "smalltalk/integer_operations.h"
#include "smalltalk/primitive_table.h"

#define TOLVA_INTEGER_PRIMITIVE(name, operation) \
  ObjectRef name(ObjectRef* args) { return integerOperation(IntegerOperation::operation, args); }
TOLVA_INTEGER_PRIMITIVE(primIntegerAdd, Add)
TOLVA_INTEGER_PRIMITIVE(primIntegerSubtract, Subtract)
TOLVA_INTEGER_PRIMITIVE(primIntegerLess, Less)
TOLVA_INTEGER_PRIMITIVE(primIntegerGreater, Greater)
TOLVA_INTEGER_PRIMITIVE(primIntegerLessEqual, LessEqual)
TOLVA_INTEGER_PRIMITIVE(primIntegerGreaterEqual, GreaterEqual)
TOLVA_INTEGER_PRIMITIVE(primIntegerEqual, Equal)
TOLVA_INTEGER_PRIMITIVE(primIntegerNotEqual, NotEqual)
TOLVA_INTEGER_PRIMITIVE(primIntegerMultiply, Multiply)
TOLVA_INTEGER_PRIMITIVE(primIntegerQuo, Quo)
TOLVA_INTEGER_PRIMITIVE(primIntegerRem, Rem)
TOLVA_INTEGER_PRIMITIVE(primIntegerBitAnd, BitAnd)
TOLVA_INTEGER_PRIMITIVE(primIntegerBitXor, BitXor)
#undef TOLVA_INTEGER_PRIMITIVE
