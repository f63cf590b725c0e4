// Primaries: variables, literal constants, literal arrays and the bracketed
// forms (parentheses, blocks, primitive calls).
#include <cctype>
#include <string>

#include "smalltalk/compiler_state.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/object_table.h"
#include "smalltalk/symbols.h"

namespace {

struct IntegerConstant {
  long value;
  Constant constant;
};
// Integers with a constant of their own; every other integer is a literal.
constexpr IntegerConstant kIntegerConstants[] = {
    {-1, Constant::MinusOne}, {0, Constant::Zero}, {1, Constant::One}, {2, Constant::Two}};

bool atBinary(const char* text) { return tokenIs(TokenKind::Binary, text); }
bool atClosing(const char* text) { return tokenIs(TokenKind::Closing, text); }

void emitPushInteger(long value) {
  for (const IntegerConstant& c : kIntegerConstants)
    if (c.value == value) return emitPushConstant(c.constant);
  emitPushLiteral(smallInt(static_cast<int32_t>(value)));
}

// The object of a number token, negated on request.
ObjectRef numberObject(bool negative) {
  const Lexer& lex = *compiler.lex;
  if (lex.kind == TokenKind::Integer)
    return smallInt(static_cast<int32_t>(negative ? -lex.intValue : lex.intValue));
  return newFloat(negative ? -lex.floatValue : lex.floatValue);
}

bool atNumber() {
  TokenKind kind = compiler.lex->kind;
  return kind == TokenKind::Integer || kind == TokenKind::Float;
}

// One element of a literal array; false at its end.
bool addArrayElement() {
  Lexer& lex = *compiler.lex;
  switch (lex.kind) {
    case TokenKind::Integer:
    case TokenKind::Float:
      addLiteral(numberObject(false));
      return true;
    case TokenKind::Character:
      addLiteral(newChar(static_cast<int32_t>(lex.intValue)));
      return true;
    case TokenKind::String:
      addLiteral(newString(lex.text));
      return true;
    case TokenKind::ArrayBegin:
      parseLiteralArray();
      return true;
    case TokenKind::Name:
    case TokenKind::Keyword:
    case TokenKind::Symbol:
      addLiteral(intern(lex.text));
      return true;
    case TokenKind::Binary:
      if (atBinary("(")) {
        parseLiteralArray();
      } else if (atBinary("-") && std::isdigit(compiler.lex->peekChar())) {
        nextToken();
        if (atNumber()) {
          addLiteral(numberObject(true));
        } else {
          compileError("negation not followed", "by number");
        }
      } else {
        addLiteral(intern(lex.text));
      }
      return true;
    case TokenKind::Closing:
      if (!atClosing(")")) compileError("array not terminated by right parenthesis", lex.text);
      return false;
    case TokenKind::EndOfInput:
      compileError("illegal text in literal array", lex.text);
      return false;
  }
  return false;
}

}  // namespace

void parseLiteralArray() {
  if (!enterNesting()) return;
  int first = compiler.literalCount;
  nextToken();
  while (compiler.parseOk && addArrayElement()) nextToken();
  if (compiler.parseOk) {
    // The elements were counted as literals while read; gather them.
    int count = compiler.literalCount - first;
    ObjectRef array = newArray(static_cast<uint32_t>(count));
    for (int i = 0; i < count; ++i)
      storeWord(array, static_cast<uint32_t>(i), compiler.literals[first + i]);
    compiler.literalCount = first;
    addLiteral(array);
  }
  leaveNesting();
}

void parseNegativeLiteral() {
  nextToken();
  if (!atNumber()) {
    compileError("negation not followed", "by number");
    return;
  }
  if (compiler.lex->kind == TokenKind::Integer) {
    emitPushInteger(-compiler.lex->intValue);
  } else {
    emitPushLiteral(newFloat(-compiler.lex->floatValue));
  }
  nextToken();
}

void parsePrimary(bool& toSuper) {
  Lexer& lex = *compiler.lex;
  switch (lex.kind) {
    case TokenKind::Name: {
      std::string name = lex.text;
      emitPushVariable(name.c_str(), toSuper);
      break;
    }
    case TokenKind::Integer:
      emitPushInteger(lex.intValue);
      break;
    case TokenKind::Float:
      emitPushLiteral(newFloat(lex.floatValue));
      break;
    case TokenKind::Character:
      emitPushLiteral(newChar(static_cast<int32_t>(lex.intValue)));
      break;
    case TokenKind::Symbol:
      emitPushLiteral(intern(lex.text));
      break;
    case TokenKind::String:
      emitPushLiteral(newString(lex.text));
      break;
    case TokenKind::ArrayBegin:
      parseLiteralArray();
      if (compiler.parseOk)
        emitInstruction(Opcode::PushLiteral, compiler.literalCount - 1, "too many literals in method");
      break;
    case TokenKind::Binary:
      if (atBinary("-")) return parseNegativeLiteral();
      if (atBinary("<")) return parsePrimitiveCall();
      if (atBinary("[")) return parseBlock();
      if (atBinary("(")) {
        if (!enterNesting()) return;
        nextToken();
        parseExpression();
        if (compiler.parseOk && !atClosing(")")) compileError("Missing Right Parenthesis", "");
        leaveNesting();
        break;
      }
      compileError("invalid expression start", "");
      return;
    default:
      compileError("invalid expression start", "");
      return;
  }
  if (compiler.parseOk) nextToken();
}
