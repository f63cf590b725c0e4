#include "smalltalk/chunk_write.h"

namespace {
constexpr char kChunkEnd = '!';
}

std::string encodeChunk(const std::uint8_t* bytes, std::size_t size) {
  while (size > 0 && bytes[size - 1] == 0) --size;
  std::string out;
  out.reserve(size + 2);
  for (std::size_t i = 0; i < size; ++i) {
    char c = static_cast<char>(bytes[i]);
    if (c == kChunkEnd) out += kChunkEnd;
    out += c;
  }
  out += kChunkEnd;
  out += '\n';
  return out;
}

bool writeChunk(std::FILE* file, const std::uint8_t* bytes, std::size_t size) {
  std::string chunk = encodeChunk(bytes, size);
  bool written = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
  return (std::fflush(file) == 0) && written;
}
