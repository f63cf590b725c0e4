// What the driver records from the command line, for the primitives that
// answer it to scripts (primitive 42, codes 0 and 1), and the evaluation of
// one text on a fresh process.
#pragma once

#include <cstdint>

// A command queue entry: kind 'd' for a "-doit" text, 's' for a source file
// to load; kind 0 ends the queue. The text is a counted copy.
struct CommandQueueEntry {
  char kind;
  uint32_t length;
  char* text;  // length characters and a terminating zero
};

inline constexpr char kQueueDoIt = 'd';
inline constexpr char kQueueSource = 's';
inline constexpr char kQueueEnd = 0;
inline constexpr int kCommandQueueEntries = 144;  // at most 143 before the end marker

int driverArgumentCount();
char** driverArgumentVector();
// The queue, ended by an entry of kind 0; null before the driver ran.
const CommandQueueEntry* commandQueue();

// Compiles text as a method (no class, no variables) and runs it on a fresh
// Process in slices of 16,384 steps, writing "." to standard error after every
// slice that ends with the process still running. False when it did not compile.
bool evaluate(const char* text);
