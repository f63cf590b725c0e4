// The compiler's state and the helpers shared by its parts: emission,
// literals, names and messages. Internal to the compiler files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "smalltalk/bytecodes.h"
#include "smalltalk/lexer.h"
#include "smalltalk/object_ref.h"

// Limits: an operand is one byte, so 256 literals and temporaries (numbered
// from 0) and 255 arguments (numbered from 1) fit; a send's mark count is the
// argument count plus one.
inline constexpr int kCodeLimit = 65535;          // code positions 0 to 65534
inline constexpr int kMaxLiterals = 256;
inline constexpr int kMaxTemporaries = 256;
inline constexpr int kMaxArguments = 255;
inline constexpr int kMaxOperand = 255;
inline constexpr int kMaxNesting = 256;           // parentheses, blocks, literal arrays
inline constexpr int kSelectorCapacity = 4096;    // characters of a selector text
inline constexpr int kRecordedStackSize = 6;      // recorded for every method

// Block modes of the parser.
enum class BlockMode { Method = 0, RealBlock = 1, InlineBlock = 2 };

// Word positions of the compiler's Block literal (the block-copy primitive
// fills word 0 with the creating Context and copies the others).
inline constexpr uint32_t kBlockArgumentCount = 1;
inline constexpr uint32_t kBlockFirstArgument = 2;
inline constexpr uint32_t kBlockEntryPoint = 3;
inline constexpr int kBlockCopyPrimitive = 29;

// Selectors the compiler sends by name.
inline constexpr const char* kBlockReturnSelector = "blockReturn";
inline constexpr const char* kAssignSelector = "assign:value:";
inline constexpr const char* kClassVariableValueSelector = "cvvalue:name:";
inline constexpr const char* kClassVariableAssignSelector = "cvassign:name:value:";
inline constexpr int kValueSelectorIndex = 2;  // unary special "value"

struct CompilerState {
  Lexer* lex = nullptr;         // token text lives here (counted block)
  uint8_t* code = nullptr;      // kCodeLimit bytes (counted block)
  int codeTop = 0;
  bool codeOverflowReported = false;
  ObjectRef* literals = nullptr;  // kMaxLiterals entries (counted block)
  int literalCount = 0;
  char* selector = nullptr;     // kSelectorCapacity + 1 (counted block)
  std::string temporaries[kMaxTemporaries];
  int temporaryCount = 0;
  int highestTemporaryCount = 0;
  std::string arguments[kMaxArguments];
  int argumentCount = 0;
  bool parseOk = true;
  BlockMode blockMode = BlockMode::Method;
  int nesting = 0;
  // The class whose variables are loaded (nil for none), the names it
  // shows (texts of Symbols, which live for the run), and whether loading
  // was refused.
  ObjectRef targetClass = nilObj;
  std::vector<const char*> instanceNames;
  std::vector<const char*> classVariableNames;
  bool classRefused = false;
};

extern CompilerState compiler;

// ---- messages -------------------------------------------------------------
void compileError(const char* message, const char* detail);
void compileWarning(const char* message, const char* name);

// ---- tokens ---------------------------------------------------------------
TokenKind nextToken();  // reports over-long tokens
bool tokenIs(TokenKind kind, const char* text);
const char* tokenText();

// ---- emission -------------------------------------------------------------
void emitByte(int byte);
void emitInstruction(Opcode op, int operand, const char* tooManyMessage);
void emitSpecial(Special op);
int emitBranch(Special op);  // answers the position of its two target bytes
void patchBranch(int at, int targetOffset);  // target as a 0-based code offset
void patchBranchHere(int at);
void emitPushLiteral(ObjectRef value);
void emitPushConstant(Constant c);
void emitSend(const char* selector, int argumentCount, bool toSuper);
int addLiteral(ObjectRef value);  // index, or -1 after "too many literals"

// ---- names ----------------------------------------------------------------
void addTemporary(const char* name);
void addArgument(const char* name);
// Variable references and assignment targets, in the order of resolution.
void emitPushVariable(const char* name, bool& toSuper);
void emitAssignment(const char* name);  // parses the value expression itself
// Class variables: the receiver of the access sends.
bool findClassVariable(const char* name, ObjectRef& declaringClass);
int findInstanceVariable(const char* name);  // 1-based, 0 when not found

// ---- parsing (compiler_parse.cpp, compiler_control.cpp, compiler_literals.cpp)
bool enterNesting();
void leaveNesting();
void parseTemporaries();
void parseStatements();
void parseExpression();
void parsePrimary(bool& toSuper);  // toSuper set when the primary is "super"
void parseUnaryMessages(bool& toSuper);
void parseBinaryPart(bool& toSuper);
void parseKeywordPart(bool& toSuper);
bool parseInlinedControl();  // true when the keyword was an inlined structure
void parseBlock();
void parsePrimitiveCall();
void parseLiteralArray();  // after "#(" or a nested "("; adds one literal
void parseNegativeLiteral();
