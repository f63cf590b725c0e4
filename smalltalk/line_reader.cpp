#include "smalltalk/line_reader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kContinuation = '\\';
constexpr const char* kTooLongMessage = "line too long: skipped (more than %zu bytes)\n";

enum class ReadResult { kLine, kEnd, kTooLong };

// Reads one (possibly joined) line into buffer; n is its length. A read that
// the buffer's end cuts short (no line feed, buffer full) makes the line too long.
ReadResult readJoined(std::FILE* stream, bool standardInput, char* buffer, std::size_t& n) {
  n = 0;
  bool readAnything = false;
  for (;;) {
    const std::size_t room = kLineBufferBytes - n;  // includes the terminating zero
    if (room < 2) return ReadResult::kTooLong;
    const int ask = static_cast<int>(std::min<std::size_t>(room, kLineReadChunk + 1));
    if (std::fgets(buffer + n, ask, stream) == nullptr)
      return readAnything ? ReadResult::kLine : ReadResult::kEnd;
    readAnything = true;
    const std::size_t got = std::strlen(buffer + n);
    const bool cutByBuffer = ask < kLineReadChunk + 1 && got == static_cast<std::size_t>(ask - 1) &&
                             buffer[n + got - 1] != '\n';
    n += got;
    if (cutByBuffer) return ReadResult::kTooLong;
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
