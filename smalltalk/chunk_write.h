// Writing a text as one chunk of a source file: its bytes up to the last
// non-zero byte, every "!" doubled, then "!" and a line feed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

std::string encodeChunk(const std::uint8_t* bytes, std::size_t size);

// Writes the encoded chunk in one write and flushes; false when either fails.
bool writeChunk(std::FILE* file, const std::uint8_t* bytes, std::size_t size);
