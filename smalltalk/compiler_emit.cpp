// The compiler's state, its messages, and the emission of instructions and
// literals.
#include <cstdio>
#include <cstring>
#include <new>

#include "smalltalk/collector.h"
#include "smalltalk/compiler.h"
#include "smalltalk/compiler_state.h"
#include "smalltalk/memory_counters.h"
#include "smalltalk/special_selectors.h"
#include "smalltalk/symbols.h"

CompilerState compiler;

namespace {

constexpr const char* kErrorFormat = "********compiler error: Method %s : %s %s\n";
constexpr const char* kWarningFormat = "compiler warning: Method %s : %s %s\n";
constexpr const char* kTooManyBytecodes = "too many bytecode instructions in method";
constexpr const char* kTooManyLiterals = "too many literals in method";
constexpr const char* kTooManyArguments = "too many arguments in method";
constexpr const char* kTokenTooLong = "token too long in method";

// The literals gathered so far are held only by the compiler: keep them
// alive through collections that run while the method is being compiled.
void visitLiterals(RootVisitor visit) {
  for (int i = 0; i < compiler.literalCount; ++i) visit(compiler.literals[i]);
}

template <typename T>
T* acquireArray(size_t count) {
  void* block = acquireBlock(count * sizeof(T));
  TOLVA_CHECK(block != nullptr, kSourceParser);
  return static_cast<T*>(block);
}

}  // namespace

void prepareCompilerBuffers() {
  if (compiler.lex != nullptr) return;
  compiler.lex = new (acquireBlock(sizeof(Lexer))) Lexer();
  compiler.code = acquireArray<uint8_t>(kCodeLimit);
  compiler.literals = acquireArray<ObjectRef>(kMaxLiterals);
  compiler.selector = acquireArray<char>(kSelectorCapacity + 1);
  registerRootEnumerator(visitLiterals);
}

const char* compilingMethodName() { return compiler.selector ? compiler.selector : ""; }

void setCompilingMethodName(const char* name) {
  if (compiler.selector == nullptr) return;
  std::strncpy(compiler.selector, name, kSelectorCapacity);
  compiler.selector[kSelectorCapacity] = '\0';
}

void compileError(const char* message, const char* detail) {
  std::fprintf(stderr, kErrorFormat, compilingMethodName(), message, detail);
  compiler.parseOk = false;
}

void compileWarning(const char* message, const char* name) {
  std::fprintf(stderr, kWarningFormat, compilingMethodName(), message, name);
}

TokenKind nextToken() {
  TokenKind kind = compiler.lex->next();
  if (compiler.lex->textOverflow && compiler.parseOk) compileError(kTokenTooLong, "");
  return kind;
}

bool tokenIs(TokenKind kind, const char* text) {
  return compiler.lex->kind == kind && std::strcmp(compiler.lex->text, text) == 0;
}

const char* tokenText() { return compiler.lex->text; }

void emitByte(int byte) {
  if (compiler.codeTop >= kCodeLimit) {
    // Reported once: every later byte of the method would repeat it.
    if (!compiler.codeOverflowReported) compileError(kTooManyBytecodes, "");
    compiler.codeOverflowReported = true;
    return;
  }
  compiler.code[compiler.codeTop++] = static_cast<uint8_t>(byte);
}

void emitInstruction(Opcode op, int operand, const char* tooManyMessage) {
  uint8_t bytes[2];
  int length = packInstruction(bytes, op, operand);
  if (length == 0) {
    compileError(tooManyMessage, "");
    return;
  }
  for (int i = 0; i < length; ++i) emitByte(bytes[i]);
}

void emitSpecial(Special op) {
  emitInstruction(Opcode::DoSpecial, static_cast<int>(op), kTooManyBytecodes);
}

int emitBranch(Special op) {
  emitSpecial(op);
  int at = compiler.codeTop;
  emitByte(0);
  emitByte(0);
  return at;
}

void patchBranch(int at, int targetOffset) {
  // Targets are 1-based, high byte first; a branch cut off by the code limit
  // has nothing to patch (the method has already failed).
  if (at + 1 >= compiler.codeTop) return;
  int target = targetOffset + 1;
  compiler.code[at] = static_cast<uint8_t>(target >> 8);
  compiler.code[at + 1] = static_cast<uint8_t>(target & 0xFF);
}

void patchBranchHere(int at) { patchBranch(at, compiler.codeTop); }

int addLiteral(ObjectRef value) {
  if (compiler.literalCount >= kMaxLiterals) {
    compileError(kTooManyLiterals, "");
    return -1;
  }
  compiler.literals[compiler.literalCount] = value;
  return compiler.literalCount++;
}

void emitPushLiteral(ObjectRef value) {
  int index = addLiteral(value);
  if (index >= 0) emitInstruction(Opcode::PushLiteral, index, kTooManyLiterals);
}

void emitPushConstant(Constant c) {
  emitInstruction(Opcode::PushConstant, static_cast<int>(c), kTooManyBytecodes);
}

void emitSend(const char* selector, int argumentCount, bool toSuper) {
  if (!toSuper && argumentCount == 0) {
    int index = unarySelectorIndex(selector);
    if (index >= 0) return emitInstruction(Opcode::SendUnary, index, kTooManyBytecodes);
  }
  if (!toSuper && argumentCount == 1) {
    int index = binarySelectorIndex(selector);
    if (index >= 0) return emitInstruction(Opcode::SendBinary, index, kTooManyBytecodes);
  }
  emitInstruction(Opcode::MarkArguments, argumentCount + 1, kTooManyArguments);
  int index = addLiteral(intern(selector));
  if (index < 0) return;
  if (toSuper) {
    emitSpecial(Special::SendToSuper);
    emitByte(index);
  } else {
    emitInstruction(Opcode::SendMessage, index, kTooManyLiterals);
  }
}
