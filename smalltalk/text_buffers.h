// The two growable text buffers: the chunk buffer of the file-in reader and
// the change-log buffer. Each is a byte object that is replaced by one 128
// bytes larger when full; the current object is kept alive by the collector.
#pragma once

#include <cstdint>
#include <cstdio>

#include "smalltalk/object_ref.h"

inline constexpr uint32_t kTextBufferGrowth = 128;

struct TextBuffer {
  ObjectRef ref;      // the byte object, nil before the first character
  uint8_t* body;      // its body
  uint32_t capacity;  // its byte count
  uint32_t length;    // bytes in use
};

extern TextBuffer chunkBuffer;
extern TextBuffer logBuffer;

// Change-log state: "-t" turns logging on and names the file; the log
// primitive opens the stream. No stream means flushLog fails.
extern bool changeLogOn;
extern FILE* changeLogStream;

// Chunk buffer (primitives 157 and 158, file-in).
void resetChunkBuffer();          // empties it (length 0)
void appendChunkChar(char c);
// A String of the text, without a trailing "! " pair; the length stays.
ObjectRef takeChunkString();

// Change-log buffer (primitive 154).
void resetLogBuffer();            // empties it (length 0)
// 0 while logging is off, else the new length.
uint32_t appendLogChar(char c);
// Writes the buffer in one write and flushes; false without a stream or on error.
bool flushLog();

// Forgets both buffers (a fresh object table).
void resetTextBuffers();
