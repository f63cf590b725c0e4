// Fatal errors and internal consistency checks shared by the whole script system.
//
// A fatal error is a condition a script can cause (an invalid instruction, a
// lookup on a broken table): two lines on standard error, exit status 1.
// An internal error is a broken invariant of the system itself: one line naming
// the condition and the module it belongs to, exit status 1.
#pragma once

#include <cstdint>

// The module names that internal errors print as their source.
inline constexpr const char* kSourceTolva = "smalltalk/tolva";
inline constexpr const char* kSourcePrototypes = "smalltalk/tolva_prototypes";
inline constexpr const char* kSourceParser = "tolva_parser";
inline constexpr const char* kSourcePrimitives = "tolva_primitives";

// The exit status of every fatal and internal error.
inline constexpr int kFatalExitStatus = 1;

// Writes "first\nsecond\n" to standard error and exits with status 1.
[[noreturn]] void fatal(const char* first, const char* second);

// The same with the second line being a number in decimal ("invalid bytecode", n).
[[noreturn]] void fatalNumber(const char* first, long long second);

// Writes "tolva: internal error: CONDITION (SOURCE)\n" to standard error and
// exits with status 1. CONDITION is the invariant that failed, as written in code.
[[noreturn]] void internalError(const char* condition, const char* source);

// Checks an invariant; on failure stops the system naming the condition text.
#define TOLVA_CHECK(condition, source)                      \
  do {                                                      \
    if (!(condition)) [[unlikely]]                          \
      ::internalError(#condition, source);                  \
  } while (0)
