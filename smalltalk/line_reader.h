// Reading one line from a file slot's stream for the line primitive. Lines
// from the standard input lose their line feed, and one that then ends in a
// backslash is joined with the next; the joined text never exceeds the
// 4,096-byte line buffer.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

constexpr std::size_t kLineBufferBytes = 4096;
constexpr int kLineReadChunk = 511;  // characters fgets takes at a time

// The next line, or nullopt at the end of the stream. A joined line that
// would not fit the buffer is reported on standard error and skipped whole.
std::optional<std::string> readSlotLine(std::FILE* stream, bool standardInput);
