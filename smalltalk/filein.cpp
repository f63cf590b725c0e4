// The chunk reader and the file-in loop.
#include "smalltalk/filein.h"

#include <cstring>

#include "smalltalk/collector.h"
#include "smalltalk/object_table.h"
#include "smalltalk/text_buffers.h"

namespace {

constexpr char kChunkMark = '!';
constexpr char kCommentLineMark = '#';

bool isLineEnd(int c) { return c == '\n' || c == '\r'; }

// The next character of a file that only this thread reads: without the
// stream's lock, which fgetc takes for every character of the library.
int nextChar(std::FILE* file) { return getc_unlocked(file); }

// Skips line ends and "#" comment lines; answers the first character of the
// chunk (or EOF).
int skipToChunk(std::FILE* file) {
  for (;;) {
    int c = nextChar(file);
    if (isLineEnd(c)) continue;
    if (c != kCommentLineMark) return c;
    do c = nextChar(file); while (c != EOF && c != '\n');
    if (c == EOF) return EOF;
  }
}

}  // namespace

ObjectRef readChunk(std::FILE* file) {
  resetChunkBuffer();
  int c = skipToChunk(file);
  for (; c != EOF; c = nextChar(file)) {
    if (c != kChunkMark) {
      appendChunkChar(static_cast<char>(c));
      continue;
    }
    int after = nextChar(file);
    if (after == kChunkMark) {
      appendChunkChar(kChunkMark);
    } else if (isLineEnd(after) || after == EOF || chunkBuffer.length > 0) {
      // The end of a chunk. A final "!" without a line end also ends it, so
      // that the last method of a file without a trailing newline is kept.
      if (chunkBuffer.length == 0) return nilObj;
      return takeChunkString();
    } else {
      appendChunkChar(kChunkMark);
      appendChunkChar(static_cast<char>(after));
    }
  }
  return nilObj;  // the end of the file; an unfinished chunk is dropped
}

void fileIn(std::FILE* file) {
  for (;;) {
    ObjectRef chunk = readChunk(file);
    if (chunk == nilObj) return;
    RootGuard keepChunk(chunk);
    const char* text = charsOf(chunk);
    if (text == nullptr) continue;
    if (text[0] == kChunkMark) {
      installMethods(text, file);
    } else {
      defineClass(text);
    }
  }
}
