#include "smalltalk/primitive_table.h"

#include <array>

namespace {

struct PrimitiveSlot {
  Primitive operation = nullptr;
  const char* name = nullptr;
};

constexpr std::array<PrimitiveSlot, kPrimitiveSlots> buildTable() {
  std::array<PrimitiveSlot, kPrimitiveSlots> table{};
  for (int i = 0; i < kPrimitiveOperations; ++i) table[i].operation = primUnimplemented;
#define TOLVA_PRIMITIVE_SLOT(number, text, handler) \
  static_assert((number) >= 0 && (number) < kPrimitiveOperations); \
  if (table[number].name != nullptr) throw "primitive number listed twice"; \
  table[number] = PrimitiveSlot{handler, text};
  TOLVA_PRIMITIVES(TOLVA_PRIMITIVE_SLOT)
#undef TOLVA_PRIMITIVE_SLOT
  return table;
}

constexpr std::array<PrimitiveSlot, kPrimitiveSlots> kPrimitiveTable = buildTable();

constexpr std::array<Primitive, kPrimitiveOperations> operationTable() {
  std::array<Primitive, kPrimitiveOperations> operations{};
  for (int i = 0; i < kPrimitiveOperations; ++i) operations[i] = kPrimitiveTable[i].operation;
  return operations;
}

}  // namespace

constexpr std::array<Primitive, kPrimitiveOperations> kPrimitiveOperationTable = operationTable();

ObjectRef primUnimplemented(ObjectRef*) { return nilObj; }

Primitive primitiveAt(int number) {
  if (number < 0 || number >= kPrimitiveSlots) return nullptr;
  return kPrimitiveTable[number].operation;
}

const char* primitiveName(int number) {
  if (number < 0 || number >= kPrimitiveSlots) return nullptr;
  return kPrimitiveTable[number].name;
}

ObjectRef callPrimitive(int number, ObjectRef* args) {
  Primitive operation = primitiveAt(number);
  return operation ? operation(args) : nilObj;
}
