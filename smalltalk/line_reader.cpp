#include "smalltalk/line_reader.h"

#include <cstring>

namespace {

constexpr char kContinuation = '\\';
constexpr const char* kTooLongMessage = "line too long: skipped (more than %zu bytes)\n";

enum class ReadResult { kLine, kEnd, kTooLong };

// Reads one (possibly joined) line into buffer; n is its length.
ReadResult readJoined(std::FILE* stream, bool standardInput, char* buffer, std::size_t& n) {
  n = 0;
  bool readAnything = false;
  for (;;) {
    if (n + kLineReadChunk + 1 > kLineBufferBytes) return ReadResult::kTooLong;
    if (std::fgets(buffer + n, kLineReadChunk + 1, stream) == nullptr)
      return readAnything ? ReadResult::kLine : ReadResult::kEnd;
    readAnything = true;
    n += std::strlen(buffer + n);
    if (standardInput && n > 0 && buffer[n - 1] == '\n') buffer[--n] = '\0';
    if (n == 0 || buffer[n - 1] != kContinuation) return ReadResult::kLine;
    --n;  // the next read continues at the backslash
  }
}

// Consumes the rest of an over-long joined line.
void skipJoined(std::FILE* stream, bool standardInput, char* buffer) {
  std::size_t n = 0;
  while (readJoined(stream, standardInput, buffer, n) == ReadResult::kTooLong) {
  }
}

}  // namespace

std::optional<std::string> readSlotLine(std::FILE* stream, bool standardInput) {
  char buffer[kLineBufferBytes];
  for (;;) {
    std::size_t n = 0;
    switch (readJoined(stream, standardInput, buffer, n)) {
      case ReadResult::kLine: return std::string(buffer, n);
      case ReadResult::kEnd:
        if (standardInput) {
          std::fputc('\n', stdout);
          std::fflush(stdout);
        }
        return std::nullopt;
      case ReadResult::kTooLong:
        std::fprintf(stderr, kTooLongMessage, kLineBufferBytes - 1);
        skipJoined(stream, standardInput, buffer);
        break;
    }
  }
}
