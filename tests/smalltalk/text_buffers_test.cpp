#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "smalltalk/collector.h"
#include "smalltalk/symbols.h"
#include "smalltalk/text_buffers.h"
#include "memory_test_support.h"

namespace {

class TextBuffers : public FreshWorld {
 protected:
  void TearDown() override {
    changeLogOn = false;
    if (changeLogStream != nullptr) std::fclose(changeLogStream);
    changeLogStream = nullptr;
    FreshWorld::TearDown();
  }
  static void appendChunk(const std::string& text) {
    for (char c : text) appendChunkChar(c);
  }
};

struct ChunkCase {
  const char* appended;
  const char* taken;
};
const ChunkCase kChunkCases[] = {
    {"Object subclass: #A! ", "Object subclass: #A"},
    {"ends in bang!", "ends in bang!"},
    {"! ", ""},
    {" !", " !"},
    {"", ""},
    {"x", "x"},
};

class ChunkStrings : public TextBuffers, public ::testing::WithParamInterface<ChunkCase> {};

}  // namespace

TEST_P(ChunkStrings, DropOnlyATrailingBangBlankPair) {
  resetChunkBuffer();
  appendChunk(GetParam().appended);
  ObjectRef text = takeChunkString();
  EXPECT_EQ(textOf(text), GetParam().taken);
  EXPECT_EQ(classOf(text), globalValue("String"));
  EXPECT_EQ(chunkBuffer.length, std::string(GetParam().taken).size());
}
INSTANTIATE_TEST_SUITE_P(Table, ChunkStrings, ::testing::ValuesIn(kChunkCases));

TEST_F(TextBuffers, TakingDoesNotEmptyTheBuffer) {
  appendChunk("ab");
  takeChunkString();
  appendChunkChar('c');
  EXPECT_EQ(textOf(takeChunkString()), "abc");
}

TEST_F(TextBuffers, GrowsBy128BytesKeepingTheTextAndDroppingTheOldObject) {
  std::string text(300, 'q');
  for (int i = 0; i < 300; ++i) text[i] = static_cast<char>('a' + i % 26);
  appendChunk(text.substr(0, 128));
  ObjectRef first = chunkBuffer.ref;
  EXPECT_EQ(chunkBuffer.capacity, 128u);
  appendChunk(text.substr(128));
  EXPECT_EQ(chunkBuffer.capacity, 384u);
  EXPECT_FALSE(isFresh(first));  // left to the collector
  EXPECT_TRUE(isFresh(chunkBuffer.ref));
  EXPECT_EQ(textOf(takeChunkString()), text);
}

TEST_F(TextBuffers, BufferSurvivesCollectionsOfBothKinds) {
  appendChunk("kept text");
  collectGarbage(false);
  collectGarbage(true);
  ASSERT_TRUE(isObject(chunkBuffer.ref));
  EXPECT_EQ(bytesOf(chunkBuffer.ref), chunkBuffer.body);
  EXPECT_EQ(textOf(takeChunkString()), "kept text");
}

TEST_F(TextBuffers, LogAppendsNothingWhileLoggingIsOff) {
  EXPECT_EQ(appendLogChar('x'), 0u);
  EXPECT_EQ(logBuffer.length, 0u);
  changeLogOn = true;
  EXPECT_EQ(appendLogChar('x'), 1u);
  EXPECT_EQ(appendLogChar('y'), 2u);
}

TEST_F(TextBuffers, FlushLogWritesTheBufferOnceAndFailsWithoutAStream) {
  changeLogOn = true;
  for (char c : std::string("log line\n")) appendLogChar(c);
  EXPECT_FALSE(flushLog());
  changeLogStream = std::tmpfile();
  ASSERT_NE(changeLogStream, nullptr);
  EXPECT_TRUE(flushLog());
  std::rewind(changeLogStream);
  char read[32] = {};
  EXPECT_EQ(std::fread(read, 1, sizeof read, changeLogStream), 9u);
  EXPECT_STREQ(read, "log line\n");
}

TEST_F(TextBuffers, FlushLogReportsAFailedWrite) {
  changeLogOn = true;
  appendLogChar('z');
  changeLogStream = std::fopen("/dev/full", "w");
  if (changeLogStream == nullptr) GTEST_SKIP() << "no /dev/full";
  EXPECT_FALSE(flushLog());
}
