// The special selectors: messages that the compiler sends with their own
// instructions ("byteSendUnary", "byteSendBinary") and an index into these
// lists instead of a literal. Compiler and interpreter share the lists.
#pragma once

// X(index, selector text)
#define TOLVA_UNARY_SELECTORS(X) \
  X(0, "isNil")                  \
  X(1, "notNil")                 \
  X(2, "value")                  \
  X(3, "new")                    \
  X(4, "class")                  \
  X(5, "size")                   \
  X(6, "basicSize")              \
  X(7, "print")                  \
  X(8, "printString")

// X(index, selector text). Indices below kFastPathCount first try the
// integer primitive kFastPathFirstPrimitive + index.
#define TOLVA_BINARY_SELECTORS(X) \
  X(0, "+")                       \
  X(1, "-")                       \
  X(2, "<")                       \
  X(3, ">")                       \
  X(4, "<=")                      \
  X(5, ">=")                      \
  X(6, "=")                       \
  X(7, "~=")                      \
  X(8, "*")                       \
  X(9, "quo:")                    \
  X(10, "rem:")                   \
  X(11, "bitAnd:")                \
  X(12, "bitXor:")                \
  X(13, "==")                     \
  X(14, ",")                      \
  X(15, "at:")                    \
  X(16, "basicAt:")               \
  X(17, "do:")                    \
  X(18, "coerce:")                \
  X(19, "error:")                 \
  X(20, "includesKey:")           \
  X(21, "isMemberOf:")            \
  X(22, "new:")                   \
  X(23, "to:")                    \
  X(24, "value:")                 \
  X(25, "whileTrue:")             \
  X(26, "addFirst:")              \
  X(27, "addLast:")

#define TOLVA_SELECTOR_TEXT(index, text) text,
inline constexpr const char* kUnarySelectorNames[] = {
    TOLVA_UNARY_SELECTORS(TOLVA_SELECTOR_TEXT)};
inline constexpr const char* kBinarySelectorNames[] = {
    TOLVA_BINARY_SELECTORS(TOLVA_SELECTOR_TEXT)};
#undef TOLVA_SELECTOR_TEXT

constexpr int kUnarySelectorCount = 9;
constexpr int kBinarySelectorCount = 28;
static_assert(sizeof(kUnarySelectorNames) / sizeof(kUnarySelectorNames[0]) ==
              kUnarySelectorCount);
static_assert(sizeof(kBinarySelectorNames) / sizeof(kBinarySelectorNames[0]) ==
              kBinarySelectorCount);


// Unary indices answered inline while watching is off.
constexpr int kUnaryIsNil = 0;
constexpr int kUnaryNotNil = 1;
constexpr int kUnaryValue = 2;
constexpr int kUnarySize = 5;  // answered by the run loop for a plain primitive size

// "at:", which the run loop answers for an element that is there.
constexpr int kBinaryAt = 15;
// "do:", which may start a loop that the run loop runs inline.
constexpr int kBinaryDo = 17;

// Binary indices 0-12 map onto the integer primitives 60-72.
constexpr int kFastPathCount = 13;
constexpr int kFastPathFirstPrimitive = 60;

// Index of a selector text in a list, or -1 (for the compiler).
int unarySelectorIndex(const char* text);
int binarySelectorIndex(const char* text);
