// The method grammar: pattern, temporaries, statements, expressions and
// message parts, and the method object written at the end.
#include <cstring>
#include <string>

#include "smalltalk/class_layout.h"
#include "smalltalk/compiler.h"
#include "smalltalk/compiler_state.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/object_table.h"
#include "smalltalk/symbols.h"

namespace {

constexpr const char* kSelectorTooLong = "message selector too long in method";
constexpr const char* kTooManyNestingLevels = "too many nesting levels in method";
constexpr const char* kClassRefused = "too many variable names in class";

bool atClosing(const char* text) { return tokenIs(TokenKind::Closing, text); }
bool atBinary(const char* text) { return tokenIs(TokenKind::Binary, text); }

// Appends to a selector text of at most kSelectorCapacity characters.
bool appendSelector(std::string& selector, const char* part) {
  if (selector.size() + std::strlen(part) > static_cast<size_t>(kSelectorCapacity)) {
    compileError(kSelectorTooLong, "");
    return false;
  }
  selector += part;
  return true;
}

void setSelectorText(const std::string& text) {
  std::memcpy(compiler.selector, text.c_str(), text.size() + 1);
}

void parsePattern() {
  std::string selector;
  Lexer& lex = *compiler.lex;
  if (lex.kind == TokenKind::Name) {
    appendSelector(selector, lex.text);
    setSelectorText(selector);
    nextToken();
  } else if (lex.kind == TokenKind::Binary) {
    appendSelector(selector, lex.text);
    setSelectorText(selector);
    if (nextToken() != TokenKind::Name) {
      compileError("binary message pattern not followed by name", compiler.selector);
      return;
    }
    addArgument(lex.text);
    nextToken();
  } else if (lex.kind == TokenKind::Keyword) {
    while (compiler.parseOk && lex.kind == TokenKind::Keyword) {
      if (!appendSelector(selector, lex.text)) return;
      setSelectorText(selector);
      if (nextToken() != TokenKind::Name) {
        compileError("keyword message pattern", "not followed by a name");
        return;
      }
      addArgument(lex.text);
      nextToken();
    }
  } else {
    compileError("illegal message selector", lex.text);
  }
}

void parseStatement() {
  if (!atBinary("^")) return parseExpression();
  nextToken();
  parseExpression();
  if (compiler.blockMode == BlockMode::RealBlock) {
    // "^" inside a real block returns from the method that made the block.
    emitPushConstant(Constant::CurrentContext);
    emitSend(kBlockReturnSelector, 0, false);
    emitSpecial(Special::PopTop);
  }
  emitSpecial(Special::StackReturn);
}

// An argument of a keyword message: a primary with its unary and binary messages.
void parseKeywordArgument() {
  bool toSuper = false;
  parsePrimary(toSuper);
  parseBinaryPart(toSuper);
}

void resetForMethod(const char* source) {
  compiler.lex->start(source);
  compiler.parseOk = true;
  compiler.blockMode = BlockMode::Method;
  compiler.codeTop = 0;
  compiler.codeOverflowReported = false;
  compiler.literalCount = 0;
  compiler.temporaryCount = 0;
  compiler.argumentCount = 0;
  compiler.highestTemporaryCount = 0;
  compiler.nesting = 0;
  compiler.selector[0] = 0;
}

void writeMethod(ObjectRef method, const char* source, bool keepSource) {
  ObjectRef code = newByteArray(static_cast<uint32_t>(compiler.codeTop));
  if (compiler.codeTop > 0) std::memcpy(bytesOf(code), compiler.code, compiler.codeTop);
  storeWord(method, kMethodBytecodes, code);
  ObjectRef literals = nilObj;
  if (compiler.literalCount > 0) {
    literals = newArray(static_cast<uint32_t>(compiler.literalCount));
    for (int i = 0; i < compiler.literalCount; ++i)
      storeWord(literals, static_cast<uint32_t>(i), compiler.literals[i]);
  }
  storeWord(method, kMethodLiterals, literals);
  storeWord(method, kMethodSelector, intern(compiler.selector));
  storeWord(method, kMethodSource, keepSource ? newString(source) : nilObj);
  storeWord(method, kMethodStackSize, smallInt(kRecordedStackSize));
  storeWord(method, kMethodTemporaryCount, smallInt(compiler.highestTemporaryCount + 1));
}

}  // namespace

bool enterNesting() {
  if (compiler.nesting >= kMaxNesting) {
    compileError(kTooManyNestingLevels, "");
    return false;
  }
  ++compiler.nesting;
  return true;
}

void leaveNesting() { --compiler.nesting; }

bool compileMethod(ObjectRef method, const char* source, bool keepSource) {
  prepareCompilerBuffers();
  resetForMethod(source ? source : "");
  nextToken();
  if (compiler.parseOk) parsePattern();
  if (compiler.parseOk && compiler.classRefused) compileError(kClassRefused, "");
  if (compiler.parseOk) parseTemporaries();
  if (compiler.parseOk) parseStatements();
  // A closing token that no bracket owns would otherwise drop the rest of
  // the method without a word.
  if (compiler.parseOk && compiler.lex->kind == TokenKind::Closing)
    compileError("invalid statement ending; token is ", compiler.lex->text);
  emitSpecial(Special::PopTop);
  emitSpecial(Special::SelfReturn);
  compiler.literalCount = compiler.parseOk ? compiler.literalCount : 0;
  if (!compiler.parseOk) {
    storeWord(method, kMethodBytecodes, nilObj);
    return false;
  }
  writeMethod(method, source, keepSource);
  compiler.literalCount = 0;
  return true;
}

void parseTemporaries() {
  if (!atBinary("|")) return;
  Lexer& lex = *compiler.lex;
  while (compiler.parseOk && nextToken() == TokenKind::Name) addTemporary(lex.text);
  if (!compiler.parseOk) return;
  if (atBinary("|")) {
    nextToken();
  } else {
    compileError("temporary list not terminated by bar", "");
  }
}

void parseStatements() {
  Lexer& lex = *compiler.lex;
  if (compiler.blockMode != BlockMode::Method && atClosing("]")) {
    emitPushConstant(Constant::Nil);  // an empty block answers nil
    return;
  }
  if (lex.kind == TokenKind::EndOfInput) return;  // a method without statements
  for (;;) {
    parseStatement();
    if (!compiler.parseOk) return;
    if (lex.kind != TokenKind::Closing) {
      if (lex.kind != TokenKind::EndOfInput)
        compileError("invalid statement ending; token is ", lex.text);
      return;
    }
    if (!atClosing(".")) return;  // its owner checks the other closings
    TokenKind after = nextToken();
    if (after == TokenKind::EndOfInput || after == TokenKind::Closing) return;
    emitSpecial(Special::PopTop);
  }
}

void parseExpression() {
  Lexer& lex = *compiler.lex;
  bool toSuper = false;
  if (lex.kind == TokenKind::Name) {
    std::string name = lex.text;
    nextToken();
    if (atBinary(":=") || atBinary("<-")) {
      if (!enterNesting()) return;
      nextToken();
      emitAssignment(name.c_str());
      leaveNesting();
      return;
    }
    emitPushVariable(name.c_str(), toSuper);
  } else {
    parsePrimary(toSuper);
  }
  parseKeywordPart(toSuper);
  while (compiler.parseOk && atClosing(";")) {
    // Cascaded parts go to a copy of the first part's result.
    emitSpecial(Special::Duplicate);
    nextToken();
    bool noSuper = false;
    parseKeywordPart(noSuper);
    emitSpecial(Special::PopTop);
  }
}

void parseUnaryMessages(bool& toSuper) {
  Lexer& lex = *compiler.lex;
  while (compiler.parseOk && lex.kind == TokenKind::Name) {
    for (int i = 0; i < compiler.temporaryCount; ++i)
      if (compiler.temporaries[i] == lex.text)
        compileWarning("message same as temporary:", lex.text);
    for (int i = 0; i < compiler.argumentCount; ++i)
      if (compiler.arguments[i] == lex.text)
        compileWarning("message same as argument:", lex.text);
    emitSend(lex.text, 0, toSuper);
    toSuper = false;
    nextToken();
  }
}

void parseBinaryPart(bool& toSuper) {
  Lexer& lex = *compiler.lex;
  parseUnaryMessages(toSuper);
  while (compiler.parseOk && lex.kind == TokenKind::Binary) {
    std::string selector = lex.text;
    nextToken();
    bool argumentSuper = false;
    parsePrimary(argumentSuper);
    parseUnaryMessages(argumentSuper);
    emitSend(selector.c_str(), 1, toSuper);
    toSuper = false;
  }
}

void parseKeywordPart(bool& toSuper) {
  Lexer& lex = *compiler.lex;
  parseBinaryPart(toSuper);
  if (!compiler.parseOk || lex.kind != TokenKind::Keyword) return;
  if (parseInlinedControl()) return;
  std::string selector;
  int argumentCount = 0;
  while (compiler.parseOk && lex.kind == TokenKind::Keyword) {
    if (!appendSelector(selector, lex.text)) return;
    nextToken();
    parseKeywordArgument();
    ++argumentCount;
  }
  if (!compiler.parseOk) return;
  emitSend(selector.c_str(), argumentCount, toSuper);
  toSuper = false;
}
