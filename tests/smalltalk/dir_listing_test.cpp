#include "smalltalk/dir_listing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A folder made for the test with a few files; the listing table starts empty.
class DirListing : public ::testing::Test {
 protected:
  fs::path dir;
  std::set<std::string> expected{".", "..", "a.txt", "b.st", "sub"};
  void SetUp() override {
    clearListingTable();
    dir = fs::temp_directory_path() / ("lumra_dir_" + std::to_string(::getpid()));
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "a.txt") << "a";
    std::ofstream(dir / "b.st") << "b";
  }
  void TearDown() override {
    clearListingTable();
    fs::remove_all(dir);
  }
  std::map<int, std::string> readAll(int slot) {
    std::map<int, std::string> seen;
    while (auto e = nextListingEntry(slot)) {
      EXPECT_TRUE(seen.emplace(e->number, e->name).second) << e->name;
    }
    return seen;
  }
};

TEST_F(DirListing, EveryEntryOnceNumberedFromZero) {
  std::optional<int> slot = openListing(dir.string());
  ASSERT_EQ(slot, 0);
  EXPECT_EQ(listingPosition(0), 0);
  std::map<int, std::string> seen = readAll(0);
  std::set<std::string> names;
  int number = 0;
  for (auto& [n, name] : seen) {
    EXPECT_EQ(n, number++);
    names.insert(name);
  }
  EXPECT_EQ(names, expected);
  // After the last entry the position stays at the last number.
  EXPECT_EQ(listingPosition(0), static_cast<int>(expected.size()) - 1);
  EXPECT_FALSE(nextListingEntry(0));
}

TEST_F(DirListing, SeekAndRewindReopen) {
  ASSERT_EQ(openListing(dir.string()), 0);
  std::map<int, std::string> all = readAll(0);
  ASSERT_TRUE(seekListing(0, 3));
  EXPECT_EQ(listingPosition(0), 3);
  auto e = nextListingEntry(0);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number, 3);
  EXPECT_EQ(e->name, all[3]);
  ASSERT_TRUE(rewindListing(0));
  EXPECT_EQ(readAll(0), all);
  ASSERT_TRUE(seekListing(0, 99));  // past the end: stops at the last entry
  EXPECT_EQ(listingPosition(0), static_cast<int>(all.size()) - 1);
}

TEST_F(DirListing, EnvironmentReferenceInPath) {
  setenv("LUMRA_T_LISTDIR", dir.string().c_str(), 1);
  ASSERT_EQ(openListing("$LUMRA_T_LISTDIR/sub"), 0);
  std::set<std::string> names;
  for (auto& [n, name] : readAll(0)) names.insert(name);
  EXPECT_EQ(names, (std::set<std::string>{".", ".."}));
}

TEST_F(DirListing, SlotsCloseAndLimits) {
  EXPECT_FALSE(openListing((dir / "missing").string()));
  EXPECT_FALSE(openListing(std::string(261, 'a')));
  for (int i = 0; i < kListingSlots; ++i) ASSERT_EQ(openListing(dir.string()), i);
  EXPECT_FALSE(openListing(dir.string()));
  EXPECT_EQ(closeListing(5), 0);
  EXPECT_FALSE(closeListing(5));  // now empty
  EXPECT_EQ(openListing(dir.string()), 5);  // lowest empty slot
  for (int bad : {-1, kListingSlots, 1 << 30}) {
    EXPECT_FALSE(closeListing(bad));
    EXPECT_FALSE(nextListingEntry(bad));
    EXPECT_FALSE(listingPosition(bad));
    EXPECT_FALSE(seekListing(bad, 0));
  }
}

TEST_F(DirListing, ReopenFailureLeavesAClosedListing) {
  ASSERT_EQ(openListing(dir.string()), 0);
  fs::remove_all(dir);
  EXPECT_TRUE(rewindListing(0));
  EXPECT_EQ(listingPosition(0), -1);
  EXPECT_FALSE(nextListingEntry(0));
  EXPECT_EQ(closeListing(0), -1);
  EXPECT_FALSE(listingPosition(0));
}

}  // namespace
