// Inlined control structures, blocks and primitive calls.
#include <cstring>

#include "smalltalk/compiler_state.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/object_table.h"

namespace {

constexpr const char* kTooManyArguments = "too many arguments in method";

bool atBinary(const char* text) { return tokenIs(TokenKind::Binary, text); }
bool atClosing(const char* text) { return tokenIs(TokenKind::Closing, text); }
bool atKeyword(const char* text) { return tokenIs(TokenKind::Keyword, text); }

// The argument of an inlined structure, after its keyword: a block's
// statements in line, or any other expression sent "value". Emits the branch
// first and answers the position of its target bytes, patched to the end.
int inlineArgument(Special branch, bool popAfterBranch) {
  int placeholder = emitBranch(branch);
  if (popAfterBranch) emitSpecial(Special::PopTop);
  BlockMode savedMode = compiler.blockMode;
  nextToken();
  if (atBinary("[")) {
    if (!enterNesting()) return placeholder;
    nextToken();
    if (compiler.blockMode != BlockMode::RealBlock) compiler.blockMode = BlockMode::InlineBlock;
    parseStatements();
    if (compiler.parseOk) {
      if (atClosing("]")) {
        nextToken();
      } else {
        compileError("missing close", "after block");
      }
    }
    leaveNesting();
  } else {
    bool toSuper = false;
    parsePrimary(toSuper);
    parseBinaryPart(toSuper);
    emitInstruction(Opcode::SendUnary, kValueSelectorIndex, "");
  }
  patchBranchHere(placeholder);
  compiler.blockMode = savedMode;
  return placeholder;
}

// c ifTrue: a [ifFalse: b]  and  c ifFalse: a [ifTrue: b]
void inlineConditional(Special firstBranch, const char* secondKeyword) {
  int first = inlineArgument(firstBranch, false);
  if (!compiler.parseOk || !atKeyword(secondKeyword)) return;
  // The first branch skips the unconditional branch that follows: its
  // target is the popTop after that branch (opcode byte and two target bytes).
  constexpr int kBranchLength = 3;
  patchBranch(first, compiler.codeTop + kBranchLength);
  inlineArgument(Special::Branch, true);
}

// r whileTrue: a
void inlineWhileTrue() {
  int loopStart = compiler.codeTop;
  emitSpecial(Special::Duplicate);
  emitInstruction(Opcode::SendUnary, kValueSelectorIndex, "");
  int exit = inlineArgument(Special::BranchIfFalse, false);
  emitSpecial(Special::PopTop);
  int back = emitBranch(Special::Branch);
  patchBranch(back, loopStart);
  patchBranchHere(exit);
  emitSpecial(Special::PopTop);
}

}  // namespace

bool parseInlinedControl() {
  if (atKeyword("ifTrue:")) {
    inlineConditional(Special::BranchIfFalse, "ifFalse:");
  } else if (atKeyword("ifFalse:")) {
    inlineConditional(Special::BranchIfTrue, "ifTrue:");
  } else if (atKeyword("and:")) {
    inlineArgument(Special::AndBranch, false);
  } else if (atKeyword("or:")) {
    inlineArgument(Special::OrBranch, false);
  } else if (atKeyword("whileTrue:")) {
    inlineWhileTrue();
  } else {
    return false;
  }
  return true;
}

void parseBlock() {
  if (!enterNesting()) return;
  Lexer& lex = *compiler.lex;
  int savedTemporaries = compiler.temporaryCount;
  BlockMode savedMode = compiler.blockMode;
  int argumentCount = 0;
  nextToken();
  if (atBinary(":")) {
    while (compiler.parseOk && atBinary(":")) {
      if (nextToken() != TokenKind::Name) {
        compileError("name must follow colon", "in block argument list");
        break;
      }
      addTemporary(lex.text);
      ++argumentCount;
      nextToken();
    }
    if (compiler.parseOk) {
      if (atBinary("|")) {
        nextToken();
      } else {
        compileError("block argument list must be terminated", "by |");
      }
    }
  }
  if (compiler.parseOk) {
    ObjectRef block = newBlock();
    storeWord(block, kBlockArgumentCount, smallInt(argumentCount));
    storeWord(block, kBlockFirstArgument, smallInt(savedTemporaries + 1));
    emitPushLiteral(block);
    emitPushConstant(Constant::CurrentContext);
    emitInstruction(Opcode::DoPrimitive, 2, "");
    emitByte(kBlockCopyPrimitive);
    int skip = emitBranch(Special::Branch);
    storeWord(block, kBlockEntryPoint, smallInt(compiler.codeTop + 1));
    compiler.blockMode = BlockMode::RealBlock;
    parseTemporaries();
    if (compiler.parseOk) parseStatements();
    if (compiler.parseOk) {
      if (atClosing("]")) {
        nextToken();
      } else {
        compileError("block not terminated by ]", "");
      }
    }
    emitSpecial(Special::StackReturn);
    patchBranchHere(skip);
  }
  compiler.temporaryCount = savedTemporaries;
  compiler.blockMode = savedMode;
  leaveNesting();
}

void parsePrimitiveCall() {
  Lexer& lex = *compiler.lex;
  if (nextToken() != TokenKind::Integer || lex.intValue < 0 || lex.intValue > kMaxOperand) {
    compileError("primitive number missing", "");
    return;
  }
  int number = static_cast<int>(lex.intValue);
  nextToken();
  int argumentCount = 0;
  while (compiler.parseOk && !atBinary(">")) {
    bool toSuper = false;
    parsePrimary(toSuper);
    ++argumentCount;
  }
  if (!compiler.parseOk) return;
  emitInstruction(Opcode::DoPrimitive, argumentCount, kTooManyArguments);
  emitByte(number);
  nextToken();
}
