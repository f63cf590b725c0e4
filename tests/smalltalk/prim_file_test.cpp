#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "prim_test_support.h"
#include "smalltalk/file_slots.h"
#include "smalltalk/line_reader.h"

namespace fs = std::filesystem;

namespace {

class FilePrims : public PrimWorld {
 protected:
  fs::path file;
  void SetUp() override {
    PrimWorld::SetUp();
    clearFileSlots();
    file = fs::temp_directory_path() / ("lumra_prim_file_" + std::to_string(::getpid()));
  }
  void TearDown() override {
    clearFileSlots();
    fs::remove(file);
    PrimWorld::TearDown();
  }
  std::string contents() {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(FilePrims, ChunksWrittenAndLinesReadBack) {
  ASSERT_EQ(openFileSlot(5, file.string(), "w"), 5);
  EXPECT_EQ(prim(158, {num(5), str("Object subclass: #A!")}), num(5));
  ObjectRef trailingZeros = newByteObject(6);
  bytesOf(trailingZeros)[0] = 'x';
  bytesOf(trailingZeros)[2] = 'y';  // inner zero kept, trailing ones dropped
  EXPECT_EQ(prim(158, {num(5), trailingZeros}), num(5));
  EXPECT_EQ(prim(122, {num(5)}), nilObj);
  EXPECT_EQ(contents(), std::string("Object subclass: #A!!!\nx\0y!\n", 28));

  ASSERT_EQ(openFileSlot(5, file.string(), "r"), 5);  // closes the writer first
  ObjectRef line = prim(125, {num(5)});
  EXPECT_EQ(textOfObject(line), "Object subclass: #A!!!\n");  // files keep their line feed
  ObjectRef second = prim(125, {num(5)});  // a line is text: it ends at a zero byte
  EXPECT_EQ(textOfObject(second), "x");
  EXPECT_EQ(prim(125, {num(5)}), nilObj);
  EXPECT_EQ(prim(126, {num(1), num(5)}), nilObj);  // only position 0 rewinds
  EXPECT_EQ(prim(125, {num(5)}), nilObj);
  EXPECT_EQ(prim(126, {num(0), num(5)}), nilObj);
  EXPECT_EQ(textOfObject(prim(125, {num(5)})), "Object subclass: #A!!!\n");
}

TEST_F(FilePrims, EmptyAndInvalidSlots) {
  for (ObjectRef slot : {num(0), num(127), num(-1), num(128), num(kSmallIntMax), nilObj, str("1")}) {
    EXPECT_EQ(prim(122, {slot}), nilObj);
    EXPECT_EQ(prim(125, {slot}), nilObj);
    EXPECT_EQ(prim(126, {num(0), slot}), nilObj);
    EXPECT_EQ(prim(127, {slot}), nilObj);
    EXPECT_EQ(prim(158, {slot, str("x")}), nilObj);
  }
  EXPECT_FALSE(openFileSlot(128, file.string(), "w"));
  EXPECT_FALSE(openFileSlot(-1, file.string(), "w"));
  EXPECT_FALSE(openFileSlot(3, (file / "no" / "such").string(), "r"));
  EXPECT_EQ(slotStream(3), nullptr);
  ASSERT_EQ(openFileSlot(3, file.string(), "w"), 3);
  EXPECT_EQ(prim(158, {num(3), num(7)}), nilObj);
}

TEST_F(FilePrims, TableDumpIntoASlot) {
  ASSERT_EQ(openFileSlot(9, file.string(), "w"), 9);
  EXPECT_EQ(prim(127, {num(9)}), trueObj);
  closeFileSlot(9);
  std::string bytes = contents();
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x07\0\0\0\x01\0\0\0", 8));
}

// "stdout" in a slot writes to the standard output; closing it keeps the
// stream object usable. Run in a child so the test's own output stays intact.
TEST_F(FilePrims, StandardOutputInASlot) {
  EXPECT_EXIT(
      {
        openFileSlot(3, "stdout", "w");
        std::fputs("through the slot\n", slotStream(3));
        prim(122, {num(3)});
        closeFileSlot(3);
        std::fputs("after close\n", stdout);  // goes to /dev/null now
        std::fflush(stdout);
        std::fputs("stderr still open\n", stderr);
        std::fflush(stderr);
        ::_exit(0);  // no exit-time checks of the whole test process in the child
      },
      ::testing::ExitedWithCode(0), "stderr still open");
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(openFileSlot(3, "stdout", "r"), 3);
  std::fputs("hello\n", slotStream(3));
  EXPECT_EQ(prim(122, {num(3)}), nilObj);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "hello\n");
  ::testing::internal::CaptureStdout();
  std::fputs("still open", stdout);
  ASSERT_EQ(openFileSlot(3, file.string(), "w"), 3);  // a standard stream is only flushed
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "still open");
}

// The standard input's rules, on a file given the same treatment.
std::FILE* streamOf(const std::string& text) {
  std::FILE* f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  return f;
}

TEST(LineReader, StandardInputJoinsContinuedLines) {
  std::FILE* f = streamOf("one \\\ntwo\nthree\n\\\n");
  EXPECT_EQ(readSlotLine(f, true), "one two");
  EXPECT_EQ(readSlotLine(f, true), "three");
  EXPECT_EQ(readSlotLine(f, true), "");
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(readSlotLine(f, true));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "\n");
  std::fclose(f);
}

TEST(LineReader, FilesKeepLineFeedsAndReadLongLinesInPieces) {
  std::string longLine(700, 'a');
  std::FILE* f = streamOf("x\\\ny\n" + longLine + "\n");
  EXPECT_EQ(readSlotLine(f, false), "x\\\n");
  EXPECT_EQ(readSlotLine(f, false), "y\n");
  EXPECT_EQ(readSlotLine(f, false), std::string(511, 'a'));
  EXPECT_EQ(readSlotLine(f, false), std::string(189, 'a') + "\n");
  EXPECT_FALSE(readSlotLine(f, false));
  std::fclose(f);
}

TEST(LineReader, OverlongJoinedLineIsReportedAndSkipped) {
  std::string piece = std::string(400, 'b') + "\\\n";
  std::string joined;
  for (int i = 0; i < 12; ++i) joined += piece;  // 4,800 bytes once joined
  std::FILE* f = streamOf(joined + "tail\nnext\n");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(readSlotLine(f, true), "next");
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("line too long"), std::string::npos);
  std::string fits;
  for (int i = 0; i < 9; ++i) fits += piece;  // 3,600 bytes: still one line
  std::FILE* g = streamOf(fits + "end\n");
  std::optional<std::string> line = readSlotLine(g, true);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->size(), 9u * 400 + 3);
  std::fclose(f);
  std::fclose(g);
}

}  // namespace
