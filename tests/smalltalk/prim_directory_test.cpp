#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "prim_test_support.h"
#include "smalltalk/dir_listing.h"

namespace fs = std::filesystem;

namespace {

class DirectoryPrims : public PrimWorld {
 protected:
  fs::path dir;
  void SetUp() override {
    PrimWorld::SetUp();
    clearListingTable();
    dir = fs::temp_directory_path() / ("lumra_prim_dir_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const char* name : {"one.st", "two.st", "three.txt"}) std::ofstream(dir / name) << name;
  }
  void TearDown() override {
    clearListingTable();
    fs::remove_all(dir);
    PrimWorld::TearDown();
  }
  // Reads every entry of the listing: number -> name, checking the entry's words.
  std::map<int, std::string> readAll(ObjectRef slot) {
    std::map<int, std::string> seen;
    for (ObjectRef e = prim(124, {num(3), slot}); e != nilObj; e = prim(124, {num(3), slot})) {
      EXPECT_EQ(classOf(e), globalValue("DirectoryEntry"));
      EXPECT_EQ(wordCount(e), 5u);
      EXPECT_EQ(wordAt(e, 1), num(1));
      EXPECT_EQ(wordAt(e, 2), nilObj);
      std::string name = textOfObject(wordAt(e, 4));
      EXPECT_EQ(intOf(wordAt(e, 3)), static_cast<int32_t>(name.size()));
      EXPECT_TRUE(seen.emplace(intOf(wordAt(e, 0)), name).second) << name;
    }
    return seen;
  }
};

TEST_F(DirectoryPrims, EntryNeedsTheDirectoryEntryClass) {
  ObjectRef slot = prim(124, {num(1), str(dir.c_str())});
  ASSERT_EQ(slot, num(0));
  EXPECT_EQ(prim(124, {num(3), slot}), nilObj);
  EXPECT_EQ(prim(124, {num(4), slot}), num(0));  // nothing was taken
}

TEST_F(DirectoryPrims, ListingSeekRewindClose) {
  newClass("DirectoryEntry");
  ObjectRef slot = prim(124, {num(1), str(dir.c_str())});
  ASSERT_EQ(slot, num(0));
  std::map<int, std::string> all = readAll(slot);
  std::set<std::string> names;
  int expectedNumber = 0;
  for (auto& [n, name] : all) {
    EXPECT_EQ(n, expectedNumber++);
    names.insert(name);
  }
  EXPECT_EQ(names, (std::set<std::string>{".", "..", "one.st", "two.st", "three.txt"}));
  EXPECT_EQ(prim(124, {num(4), slot}), num(4));  // still the last entry number

  EXPECT_EQ(prim(124, {num(5), slot, num(2)}), nilObj);
  EXPECT_EQ(prim(124, {num(4), slot}), num(2));
  ObjectRef e = prim(124, {num(3), slot});
  ASSERT_NE(e, nilObj);
  EXPECT_EQ(textOfObject(wordAt(e, 4)), all[2]);

  EXPECT_EQ(prim(124, {num(6), slot}), nilObj);
  EXPECT_EQ(readAll(slot), all);

  EXPECT_EQ(prim(124, {num(2), slot}), num(0));
  EXPECT_EQ(prim(124, {num(2), slot}), nilObj);
  EXPECT_EQ(prim(124, {num(4), slot}), nilObj);
}

TEST_F(DirectoryPrims, PathWithEnvironmentReference) {
  newClass("DirectoryEntry");
  setenv("LUMRA_PRIM_LISTING", dir.parent_path().c_str(), 1);
  std::string path = "$LUMRA_PRIM_LISTING/" + dir.filename().string();
  ObjectRef slot = prim(124, {num(1), str(path.c_str())});
  ASSERT_EQ(slot, num(0));
  EXPECT_EQ(readAll(slot).size(), 5u);
}

TEST_F(DirectoryPrims, BadArguments) {
  EXPECT_EQ(prim(124, {num(1), str((dir / "missing").c_str())}), nilObj);
  EXPECT_EQ(prim(124, {num(1), num(3)}), nilObj);
  for (int op : {0, 7}) EXPECT_EQ(prim(124, {num(op), num(0)}), nilObj);
  for (int op = 2; op <= 6; ++op) {
    for (ObjectRef slot : {num(-1), num(128), num(kSmallIntMax), nilObj, str("0")})
      EXPECT_EQ(prim(124, {num(op), slot, num(0)}), nilObj) << op;
  }
}

}  // namespace
