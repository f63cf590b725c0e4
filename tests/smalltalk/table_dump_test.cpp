#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "smalltalk/table_dump.h"
#include "memory_test_support.h"

namespace {

std::vector<uint8_t> dumpBytes() {
  FILE* file = std::tmpfile();
  EXPECT_NE(file, nullptr);
  EXPECT_EQ(writeImage(file), trueObj);
  std::vector<uint8_t> bytes(static_cast<size_t>(std::ftell(file)));
  std::rewind(file);
  EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
  std::fclose(file);
  return bytes;
}

uint32_t wordAtOffset(const std::vector<uint8_t>& bytes, size_t offset) {
  return uint32_t{bytes[offset]} | uint32_t{bytes[offset + 1]} << 8 |
         uint32_t{bytes[offset + 2]} << 16 | uint32_t{bytes[offset + 3]} << 24;
}

}  // namespace

using TableDump = FreshTable;

TEST_F(TableDump, WritesHeaderThenOneRecordPerEntryInUseByteForByte) {
  newPointerObject(0);                     // nil, 1
  ObjectRef words = newPointerObject(2);   // 2
  ObjectRef text = newStringObject("ab");  // 3
  setClass(text, words);
  storeWord(words, 1, smallInt(3));
  const std::vector<uint8_t> expected = {
      7, 0, 0, 0,                                    // header
      1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0,  // entry 0: head of the free list is 4
      3, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0,     // nil: pointer, shift 2
      5, 0, 0, 0, 0x0A, 0, 0, 0, 8, 0, 0, 0, 2, 0, 0, 0,     // words: not fresh (a class)
      2, 0, 0, 0, 7, 0, 0, 0,                                 // body: nil, 3
      7, 0, 0, 0, 0x20, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0,     // text: fresh bytes, class 2
      'a', 'b', 0,
  };
  EXPECT_EQ(dumpBytes(), expected);
}

TEST(TableDumpWorld, BootedTableStartsWithSevenAndEntryZero) {
  bootstrapObjectWorld();
  std::vector<uint8_t> bytes = dumpBytes();
  ASSERT_GE(bytes.size(), 20u);
  EXPECT_EQ(wordAtOffset(bytes, 0), 7u);
  EXPECT_EQ(wordAtOffset(bytes, 4), 1u);  // index 0 written as a small integer
  EXPECT_EQ(wordAtOffset(bytes, 8), 0u);  // entry 0 has no free bit
  EXPECT_EQ(wordAtOffset(bytes, 16), freeListHead().word);
  EXPECT_EQ(wordAtOffset(bytes, 20), 3u);  // then nil, index 1
  destroyObjectTable();
}

TEST_F(TableDump, FailedWriteAnswersFalse) {
  newPointerObject(0);
  FILE* full = std::fopen("/dev/full", "w");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  std::setvbuf(full, nullptr, _IONBF, 0);  // report the failure at the write itself
  EXPECT_EQ(writeImage(full), falseObj);
  std::fclose(full);
  EXPECT_EQ(writeImage(nullptr), falseObj);
}
