// Word positions and sizes of the objects the system itself builds and reads.
// Positions are counted from 0 in a pointer object's body.
#pragma once

#include <cstdint>

// Class and metaclass: the same 8 words.
inline constexpr uint32_t kClassName = 0;               // Symbol
inline constexpr uint32_t kClassInstanceSize = 1;       // small integer, or nil
inline constexpr uint32_t kClassMethods = 2;            // Dictionary, or nil
inline constexpr uint32_t kClassSuperclass = 3;         // nil for a root
inline constexpr uint32_t kClassInstanceVariables = 4;  // Array of Symbols (own)
inline constexpr uint32_t kClassClassVariables = 5;     // Array of Symbols
inline constexpr uint32_t kClassPools = 6;              // Array
inline constexpr uint32_t kClassCategory = 7;
inline constexpr uint32_t kClassWords = 8;
inline constexpr int32_t kMetaclassInstanceSize = 8;    // instances of a metaclass are classes
inline constexpr const char* kMetaSuffix = "Meta";      // ObjectMeta is Object's metaclass

// Method: 8 words.
inline constexpr uint32_t kMethodSource = 0;         // String, or nil
inline constexpr uint32_t kMethodSelector = 1;       // Symbol
inline constexpr uint32_t kMethodBytecodes = 2;      // ByteArray; nil when compilation failed
inline constexpr uint32_t kMethodLiterals = 3;       // Array, or nil
inline constexpr uint32_t kMethodStackSize = 4;      // small integer
inline constexpr uint32_t kMethodTemporaryCount = 5; // small integer
inline constexpr uint32_t kMethodClass = 6;          // class the method is installed in
inline constexpr uint32_t kMethodWatch = 7;          // watch marker, nil when not watched
inline constexpr uint32_t kMethodWords = 8;

// Context: 6 words (words 4 and 5 stay nil).
inline constexpr uint32_t kContextLink = 0;          // link position of its activation
inline constexpr uint32_t kContextMethod = 1;
inline constexpr uint32_t kContextArguments = 2;     // Array, receiver first
inline constexpr uint32_t kContextTemporaries = 3;   // Array
inline constexpr uint32_t kContextWords = 6;

// Link of a name-table chain: 3 words.
inline constexpr uint32_t kLinkKey = 0;
inline constexpr uint32_t kLinkValue = 1;
inline constexpr uint32_t kLinkNext = 2;
inline constexpr uint32_t kLinkWords = 3;

// Hashed name tables: one word holding an Array of three words per bucket.
inline constexpr uint32_t kTableArray = 0;           // the table object's only word
inline constexpr uint32_t kTableWords = 1;
inline constexpr uint32_t kBucketWords = 3;          // key, value, first Link
inline constexpr uint32_t kBucketKey = 0;
inline constexpr uint32_t kBucketValue = 1;
inline constexpr uint32_t kBucketLink = 2;
inline constexpr uint32_t kSymbolTableArrayWords = 159;  // 53 buckets
inline constexpr uint32_t kDictionaryArrayWords = 39;    // 13 buckets

// Other core objects.
inline constexpr uint32_t kBlockWords = 6;   // meaning fixed by the compiler and block primitives
inline constexpr uint32_t kBlockContext = 0;      // the home Context
inline constexpr uint32_t kBlockBytePointer = 3;  // its first instruction, copied from the literal
inline constexpr uint32_t kCharWords = 1;    // the character code as a small integer
inline constexpr uint32_t kCharCode = 0;
inline constexpr uint32_t kFloatBytes = 8;   // IEEE-754 double, little-endian
