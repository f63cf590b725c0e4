// The lexer: turns the source text of a method, a class definition or a list
// of names into tokens. Token values are plain C++ (no objects), so the lexer
// stands on its own; the compiler turns numbers and names into objects.
#pragma once

#include <cstddef>

enum class TokenKind : int {
  Name = 1,        // identifier
  Keyword = 2,     // identifier followed by its colon, "ifTrue:"
  Integer = 3,     // fits a small integer; value in intValue
  Float = 4,       // value in floatValue
  Character = 5,   // "$c"; code in intValue, text empty
  Symbol = 6,      // "#name", text without the "#"
  ArrayBegin = 7,  // "#("
  String = 8,      // contents with doubled quotes reduced
  Binary = 9,      // one or two operator characters
  Closing = 10,    // one of ) . ; ]
  EndOfInput = 11,
};

// Room for the token text: 4096 characters and the terminating zero.
inline constexpr std::size_t kTokenTextCapacity = 4096;
// Most characters given back in a row (the exponent case gives back three).
inline constexpr int kPushBackDepth = 8;

struct Lexer {
  const char* input = "";   // next unread character; stays at the zero byte
  char pushBack[kPushBackDepth] = {};
  int pushedCount = 0;
  int current = 0;          // character read last, 0 at the end
  TokenKind kind = TokenKind::EndOfInput;
  char text[kTokenTextCapacity + 1] = {};
  std::size_t textLength = 0;
  // Set when a token had more characters than the text can hold: the whole
  // token is still consumed, the text keeps only its start, and the compiler
  // reports it instead of using a cut name.
  bool textOverflow = false;
  long intValue = 0;
  double floatValue = 0.0;

  // Starts on a new zero-terminated string with an empty push-back stack.
  void start(const char* source);
  // Reads the next token; leaves kind, text and value in the state.
  TokenKind next();
  // Reads one character (push-back stack first) and makes it current.
  int nextChar();
  // Reads one character and gives it straight back.
  int peekChar();
  void giveBack(int c);

 private:
  void clearText();
  void appendText(int c);
  void skipBlanksAndComments(int& c);
  void readName(int c);
  void readNumber(int c);
  void readRadixDigits();
  void readExponent();
  void readSymbol();
  void readString();
  void readBinary(int c);
  void classifyNumber(double value);
};
