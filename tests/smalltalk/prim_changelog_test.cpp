#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "prim_test_support.h"
#include "smalltalk/change_log.h"
#include "smalltalk/text_buffers.h"

namespace fs = std::filesystem;

namespace {

class ChangeLogPrims : public PrimWorld {
 protected:
  fs::path log;
  void SetUp() override {
    PrimWorld::SetUp();
    log = fs::temp_directory_path() / ("lumra_changes_" + std::to_string(::getpid()));
    fs::remove(log);
  }
  void TearDown() override {
    prim(154, {num(2)});
    changeLogOn = false;
    fs::remove(log);
    PrimWorld::TearDown();
  }
  std::string contents() {
    std::ifstream in(log, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(ChangeLogPrims, ChunksAppendedToTheLog) {
  EXPECT_EQ(prim(154, {num(4)}), falseObj);
  EXPECT_EQ(prim(154, {num(5)}), nilObj);
  ObjectRef text = str("a := b!c");
  EXPECT_EQ(prim(154, {num(1), text}), nilObj);  // off
  EXPECT_EQ(prim(154, {num(3), str(log.c_str())}), trueObj);
  EXPECT_EQ(prim(154, {num(4)}), trueObj);
  EXPECT_EQ(textOfObject(prim(154, {num(5)})), log.string());
  EXPECT_EQ(prim(154, {num(1), text}), text);
  ObjectRef second = str("second");
  EXPECT_EQ(prim(154, {num(1), second}), second);
  EXPECT_EQ(contents(), "a := b!!c!\nsecond!\n");
  EXPECT_EQ(prim(154, {num(2)}), trueObj);
  EXPECT_EQ(prim(154, {num(2)}), nilObj);
  EXPECT_EQ(prim(154, {num(5)}), nilObj);
  // Reopening appends after what is there.
  EXPECT_EQ(prim(154, {num(3), str(log.c_str())}), trueObj);
  ObjectRef third = str("third");
  EXPECT_EQ(prim(154, {num(1), third}), third);
  EXPECT_EQ(contents(), "a := b!!c!\nsecond!\nthird!\n");
}

// The driver's "-t" turns logging on without opening the file: appending fails.
TEST_F(ChangeLogPrims, OnWithoutAFile) {
  changeLogOn = true;
  ASSERT_TRUE(setChangeLogName("from-the-driver.log"));
  EXPECT_EQ(prim(154, {num(4)}), trueObj);
  EXPECT_EQ(textOfObject(prim(154, {num(5)})), "from-the-driver.log");
  EXPECT_EQ(prim(154, {num(1), str("lost")}), nilObj);
  EXPECT_FALSE(setChangeLogName(std::string(261, 'n').c_str()));
  EXPECT_STREQ(changeLogName(), "from-the-driver.log");
}

TEST_F(ChangeLogPrims, BadArguments) {
  EXPECT_EQ(prim(154, {num(3), str((log / "no" / "dir").c_str())}), nilObj);
  EXPECT_EQ(prim(154, {num(4)}), falseObj);
  EXPECT_EQ(prim(154, {num(3), str(std::string(261, 'n').c_str())}), nilObj);
  EXPECT_EQ(prim(154, {num(3), num(1)}), nilObj);
  for (ObjectRef op : {num(0), num(6), nilObj, str("1")}) EXPECT_EQ(prim(154, {op, str("x")}), nilObj);
  EXPECT_EQ(prim(154, {num(3), str(log.c_str())}), trueObj);
  EXPECT_EQ(prim(154, {num(1), num(5)}), nilObj);
  EXPECT_EQ(prim(154, {num(1), newArray(2)}), nilObj);
  EXPECT_EQ(contents(), "");
}

}  // namespace
