#include "smalltalk/bytecodes.h"

namespace {

#define TOLVA_OPCODE_NAME(number, enumerator, handler) #handler,
constexpr const char* kOpcodeNames[kOpcodeCount] = {TOLVA_OPCODES(TOLVA_OPCODE_NAME)};
#undef TOLVA_OPCODE_NAME

}  // namespace

const char* opcodeName(int opcode) {
  return opcode >= 0 && opcode < kOpcodeCount ? kOpcodeNames[opcode] : "unsupportedByte";
}
