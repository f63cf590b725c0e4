// The lexer. One state per use; the compiler keeps a single one and restarts
// it on each new text (and, for name lists, on a string's contents).
#include "smalltalk/lexer.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Range limits of numbers: beyond 32 bits a number is always a float, and
// within it only the 31-bit small integers stay integers.
constexpr double kWordMin = -2147483648.0;
constexpr double kWordMax = 2147483647.0;
constexpr double kSmallMin = -1073741824.0;
constexpr double kSmallMax = 1073741823.0;

constexpr const char* kRadixDigits = "0123456789ABCDEF";

bool isSpace(int c) { return c != 0 && std::isspace(static_cast<unsigned char>(c)); }
bool isAlpha(int c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isDigit(int c) { return c >= '0' && c <= '9'; }
bool isAlnum(int c) { return isAlpha(c) || isDigit(c); }
bool isHexDigit(int c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// Characters that end a symbol and also never join a binary token.
bool isStopChar(int c) {
  return c == '"' || c == '\'' || c == ')' || c == '.' || c == ';' || c == ']';
}

bool isClosing(int c) { return c == ')' || c == '.' || c == ';' || c == ']'; }

}  // namespace

void Lexer::start(const char* source) {
  input = source ? source : "";
  pushedCount = 0;
  current = 0;
  kind = TokenKind::EndOfInput;
  clearText();
}

int Lexer::nextChar() {
  if (pushedCount > 0) {
    current = pushBack[--pushedCount];
  } else if (*input == 0) {
    current = 0;
  } else {
    current = static_cast<unsigned char>(*input++);
  }
  return current;
}

void Lexer::giveBack(int c) {
  // The grammar never gives back more than a few characters in a row.
  if (pushedCount < kPushBackDepth) pushBack[pushedCount++] = static_cast<char>(c);
}

int Lexer::peekChar() {
  int c = nextChar();
  giveBack(c);
  return c;
}

void Lexer::clearText() {
  text[0] = 0;
  textLength = 0;
  textOverflow = false;
}

void Lexer::appendText(int c) {
  if (textLength >= kTokenTextCapacity) {
    textOverflow = true;
    return;
  }
  text[textLength++] = static_cast<char>(c);
  text[textLength] = 0;
}

void Lexer::skipBlanksAndComments(int& c) {
  for (;;) {
    while (isSpace(c)) c = nextChar();
    if (c != '"') return;
    do c = nextChar(); while (c != '"' && c != 0);
    if (c == '"') c = nextChar();
  }
}

TokenKind Lexer::next() {
  int c = nextChar();
  skipBlanksAndComments(c);
  clearText();
  intValue = 0;
  floatValue = 0.0;
  if (c == 0) return kind = TokenKind::EndOfInput;
  if (isAlpha(c)) {
    readName(c);
  } else if (isDigit(c)) {
    readNumber(c);
  } else if (c == '$') {
    intValue = static_cast<unsigned char>(nextChar());
    kind = TokenKind::Character;
  } else if (c == '#') {
    int after = nextChar();
    if (after == '(') {
      kind = TokenKind::ArrayBegin;
    } else {
      giveBack(after);
      readSymbol();
    }
  } else if (c == '\'') {
    readString();
  } else if (isClosing(c)) {
    appendText(c);
    kind = TokenKind::Closing;
  } else {
    readBinary(c);
  }
  return kind;
}

void Lexer::readName(int c) {
  while (isAlnum(c)) {
    appendText(c);
    c = nextChar();
  }
  if (c == ':') {
    appendText(c);
    kind = TokenKind::Keyword;
  } else {
    giveBack(c);
    kind = TokenKind::Name;
  }
}

void Lexer::classifyNumber(double value) {
  if (value < kWordMin || value > kWordMax || value < kSmallMin || value > kSmallMax) {
    kind = TokenKind::Float;
    floatValue = value;
  } else {
    kind = TokenKind::Integer;
    intValue = static_cast<long>(value);
  }
}

void Lexer::readNumber(int c) {
  double value = 0.0;
  while (isDigit(c)) {
    value = value * 10.0 + (c - '0');
    appendText(c);
    c = nextChar();
  }
  classifyNumber(value);
  if (c == '.') {
    int after = nextChar();
    if (isDigit(after)) {
      appendText('.');
      while (isDigit(after)) {
        appendText(after);
        after = nextChar();
      }
      giveBack(after);
      kind = TokenKind::Float;
      floatValue = std::atof(text);
    } else {
      // "3.foo": the point ends the statement.
      giveBack(after);
      giveBack('.');
    }
  } else {
    giveBack(c);
    if (c == 'r' || c == 'R') {
      nextChar();  // the "r"
      // The radix is the value so far cut to a signed byte; digits are not
      // checked against it.
      intValue = static_cast<signed char>(static_cast<int>(std::fmod(value, 256.0)));
      readRadixDigits();
    }
  }
  readExponent();
}

void Lexer::readRadixDigits() {
  double radix = static_cast<double>(intValue);
  double value = 0.0;
  int c = nextChar();
  while (isHexDigit(c)) {
    appendText(c);
    int upper = std::toupper(c);
    value = radix * value + static_cast<double>(std::strchr(kRadixDigits, upper) - kRadixDigits);
    c = nextChar();
  }
  giveBack(c);
  classifyNumber(value);
}

void Lexer::readExponent() {
  int c = nextChar();
  if (c != 'e') {
    giveBack(c);
    return;
  }
  int sign = nextChar();
  bool negative = sign == '-';
  int digit = negative ? nextChar() : sign;
  if (!isDigit(digit)) {
    // No exponent: the number ends before the "e".
    giveBack(digit);
    if (negative) giveBack('-');
    giveBack('e');
    return;
  }
  appendText('e');
  if (negative) appendText('-');
  while (isDigit(digit)) {
    appendText(digit);
    digit = nextChar();
  }
  giveBack(digit);
  kind = TokenKind::Float;
  floatValue = std::atof(text);
}

void Lexer::readSymbol() {
  int c = nextChar();
  while (c != 0 && !isSpace(c) && !isStopChar(c)) {
    appendText(c);
    c = nextChar();
  }
  giveBack(c);
  kind = TokenKind::Symbol;
}

void Lexer::readString() {
  for (;;) {
    int c = nextChar();
    if (c == 0) break;
    if (c == '\'') {
      int after = nextChar();
      if (after != '\'') {
        giveBack(after);
        break;
      }
    }
    appendText(c);
  }
  kind = TokenKind::String;
}

void Lexer::readBinary(int c) {
  appendText(c);
  kind = TokenKind::Binary;
  if (c == '(' || c == '[') return;
  int second = nextChar();
  bool joins = second != 0 && !isAlnum(second) && !isSpace(second) && !isStopChar(second) &&
               second != '(' && second != '[';
  if (joins) {
    appendText(second);
  } else {
    giveBack(second);
  }
}
