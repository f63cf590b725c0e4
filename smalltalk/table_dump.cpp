#include "smalltalk/table_dump.h"

#include <cstdint>

#include "smalltalk/object_table.h"

namespace {

constexpr uint32_t kDumpHeader = 7;
constexpr size_t kWordBytes = 4;
constexpr size_t kRecordHeaderWords = 4;  // index, flags, size, class

void putWord(uint8_t* out, uint32_t word) {
  for (size_t i = 0; i < kWordBytes; ++i) out[i] = static_cast<uint8_t>(word >> (8 * i));
}

bool writeAll(FILE* file, const void* data, size_t bytes) {
  return bytes == 0 || std::fwrite(data, 1, bytes, file) == bytes;
}

bool writeRecord(FILE* file, uint32_t index) {
  const ObjectEntry& e = objTbl[index];
  uint8_t header[kRecordHeaderWords * kWordBytes];
  putWord(header, ObjectRef::fromInt(static_cast<int32_t>(index)).word);
  putWord(header + kWordBytes, e.flags);
  putWord(header + 2 * kWordBytes, e.size);
  putWord(header + 3 * kWordBytes, e.cls.word);
  return writeAll(file, header, sizeof header) && writeAll(file, e.body, e.size);
}

}  // namespace

ObjectRef writeImage(FILE* file) {
  if (file == nullptr) return falseObj;
  uint8_t header[kWordBytes];
  putWord(header, kDumpHeader);
  bool ok = writeAll(file, header, sizeof header);
  for (uint32_t i = 0; ok && i < tableWritten; ++i) {  // the rest are free
    if (!isAvail(i)) ok = writeRecord(file, i);
  }
  return booleanObj(ok);
}
