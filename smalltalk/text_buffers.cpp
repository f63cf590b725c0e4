#include "smalltalk/text_buffers.h"

#include <cstring>

#include "smalltalk/core_objects.h"
#include "smalltalk/object_table.h"
#include "smalltalk/symbols.h"

TextBuffer chunkBuffer = {nilObj, nullptr, 0, 0};
TextBuffer logBuffer = {nilObj, nullptr, 0, 0};
bool changeLogOn = false;
FILE* changeLogStream = nullptr;

namespace {

// The "! " pair that ends a chunk read from a file.
constexpr char kChunkEnd[] = "! ";
constexpr uint32_t kChunkEndLength = 2;

// Replaces a full buffer by a byte object 128 bytes larger holding the same
// text. The old object is no longer held and becomes collectable; the new one
// stays fresh and is held by the collector's system roots.
void grow(TextBuffer& buffer) {
  ObjectRef larger = newByteObject(buffer.capacity + kTextBufferGrowth);
  if (buffer.length > 0) std::memcpy(bytesOf(larger), buffer.body, buffer.length);
  if (buffer.ref != nilObj) clearFresh(buffer.ref);
  buffer.ref = larger;
  buffer.body = bytesOf(larger);
  buffer.capacity = byteSize(larger);
}

void append(TextBuffer& buffer, char c) {
  if (buffer.length >= buffer.capacity) grow(buffer);
  buffer.body[buffer.length++] = static_cast<uint8_t>(c);
}

}  // namespace

void resetChunkBuffer() { chunkBuffer.length = 0; }

void appendChunkChar(char c) { append(chunkBuffer, c); }

ObjectRef takeChunkString() {
  uint32_t length = chunkBuffer.length;
  if (length >= kChunkEndLength &&
      std::memcmp(chunkBuffer.body + length - kChunkEndLength, kChunkEnd, kChunkEndLength) == 0) {
    length -= kChunkEndLength;
    chunkBuffer.length = length;
  }
  // newString copies from the buffer after allocating: the buffer is a root,
  // so a collection on the way leaves its body in place.
  ObjectRef text = newStringObjectOfLength(reinterpret_cast<const char*>(chunkBuffer.body), length);
  setClass(text, stringClass());
  return text;
}

void resetLogBuffer() { logBuffer.length = 0; }

uint32_t appendLogChar(char c) {
  if (!changeLogOn) return 0;
  append(logBuffer, c);
  return logBuffer.length;
}

bool flushLog() {
  if (changeLogStream == nullptr) return false;
  size_t written = logBuffer.length == 0
                       ? 0
                       : std::fwrite(logBuffer.body, 1, logBuffer.length, changeLogStream);
  bool flushed = std::fflush(changeLogStream) == 0;
  return written == logBuffer.length && flushed;
}

void resetTextBuffers() {
  chunkBuffer = TextBuffer{nilObj, nullptr, 0, 0};
  logBuffer = TextBuffer{nilObj, nullptr, 0, 0};
}
