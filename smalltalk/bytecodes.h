// The instruction set of the script interpreter, listed once.
//
// An instruction is one byte: the opcode in the high nibble, the operand in
// the low nibble. Operands of 16 or more use the extended form: a first byte
// 0x0N names opcode N, and the next byte (0-255) is the operand. The compiler
// emits through packInstruction; the interpreter's label tables follow the
// same list, and the bytecode trace prints the instruction names listed here.
#pragma once

#include <cstdint>

// X(number, enumerator, name). The names are the trace names; the three
// invalid opcodes share one.
#define TOLVA_OPCODES(X)                                  \
  X(0, Extended, unsupportedByte)                         \
  X(1, PushInstance, bytePushInstance)                    \
  X(2, PushArgument, bytePushArgument)                    \
  X(3, PushTemporary, bytePushTemporary)                  \
  X(4, PushLiteral, bytePushLiteral)                      \
  X(5, PushConstant, bytePushConstant)                    \
  X(6, AssignInstance, byteAssignInstance)                \
  X(7, AssignTemporary, byteAssignTemporary)              \
  X(8, MarkArguments, byteMarkArguments)                  \
  X(9, SendMessage, byteSendMessage)                      \
  X(10, SendUnary, byteSendUnary)                         \
  X(11, SendBinary, byteSendBinary)                       \
  X(12, Unused12, unsupportedByte)                        \
  X(13, DoPrimitive, byteDoPrimitive)                     \
  X(14, Unused14, unsupportedByte)                        \
  X(15, DoSpecial, byteDoSpecial)

enum class Opcode : uint8_t {
#define TOLVA_OPCODE_ENUM(number, enumerator, handler) enumerator = number,
  TOLVA_OPCODES(TOLVA_OPCODE_ENUM)
#undef TOLVA_OPCODE_ENUM
};

constexpr int kOpcodeCount = 16;

// Operands of "bytePushConstant". Constant 4 is the current Context; the
// compiler knows it by the name "currentInterpreter".
#define TOLVA_CONSTANTS(X)     \
  X(0, Zero)                   \
  X(1, One)                    \
  X(2, Two)                    \
  X(3, MinusOne)               \
  X(4, CurrentContext)         \
  X(5, Nil)                    \
  X(6, True)                   \
  X(7, False)

enum class Constant : uint8_t {
#define TOLVA_CONSTANT_ENUM(number, enumerator) enumerator = number,
  TOLVA_CONSTANTS(TOLVA_CONSTANT_ENUM)
#undef TOLVA_CONSTANT_ENUM
};

constexpr int kConstantCount = 8;

// Operands of "byteDoSpecial". Number 0 and 3 (the block return of other
// dialects) are invalid; so is anything past the last entry. The three
// conditional branches and `branch` are followed by a two-byte absolute
// target (high byte first, 1-based); `sendToSuper` by one literal index.
#define TOLVA_SPECIALS(X)           \
  X(1, SelfReturn, selfReturn)      \
  X(2, StackReturn, stackReturn)    \
  X(4, Duplicate, duplicate)        \
  X(5, PopTop, popTop)              \
  X(6, Branch, branch)              \
  X(7, BranchIfTrue, branchIfTrue)  \
  X(8, BranchIfFalse, branchIfFalse)\
  X(9, AndBranch, andBranch)        \
  X(10, OrBranch, orBranch)         \
  X(11, SendToSuper, sendToSuper)

enum class Special : uint8_t {
#define TOLVA_SPECIAL_ENUM(number, enumerator, name) enumerator = number,
  TOLVA_SPECIALS(TOLVA_SPECIAL_ENUM)
#undef TOLVA_SPECIAL_ENUM
};

constexpr int kSpecialLimit = 12;  // special operations are numbered below this

// Bytecode operand packing.
constexpr int kShortOperandLimit = 16;     // operands below this fit the low nibble
constexpr int kExtendedOperandLimit = 256; // the extended form's operand byte

// The one byte of an instruction whose operand fits the low nibble.
constexpr uint8_t shortInstruction(Opcode op, int operand) {
  return static_cast<uint8_t>(static_cast<int>(op) << 4 | operand);
}

// Writes the instruction (opcode, operand) into out and answers its length:
// 1 for the short form, 2 for the extended form, 0 when the operand does not
// fit a byte (the caller reports that as a compile error).
inline int packInstruction(uint8_t out[2], Opcode op, int operand) {
  if (operand >= 0 && operand < kShortOperandLimit) {
    out[0] = shortInstruction(op, operand);
    return 1;
  }
  if (operand >= 0 && operand < kExtendedOperandLimit) {
    out[0] = static_cast<uint8_t>(op);
    out[1] = static_cast<uint8_t>(operand);
    return 2;
  }
  return 0;
}

// Trace name of an opcode (0-15), as printed by the bytecode trace.
const char* opcodeName(int opcode);
