#include <gtest/gtest.h>

#include <string>

#include "smalltalk/class_layout.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/name_table.h"
#include "smalltalk/symbols.h"
#include "memory_test_support.h"

struct HashCase {
  std::string text;
  uint32_t hash;
};
const HashCase kHashCases[] = {
    {"nil", 323},
    {"symbols", 777},
    {"", 0},
    {std::string(200, '\x7f'), 6350},          // 25,400 shifted right by two
    {std::string(129, '\x7f'), 16383},         // 16,383: kept
    {std::string(16384, '\xff'), 16384},       // negative sums are negated
    {std::string(16385, '\xff'), 4096},        // 16,385 is above the limit
    {"\x80", 128},
};

class NameHash : public ::testing::TestWithParam<HashCase> {};

TEST_P(NameHash, SumsSignedBytesNegatesAndShiftsLongNames) {
  EXPECT_EQ(nameHash(GetParam().text.c_str()), GetParam().hash);
}
INSTANTIATE_TEST_SUITE_P(Table, NameHash, ::testing::ValuesIn(kHashCases));

namespace {

class NameTables : public FreshWorld {
 protected:
  // Two keys that share a bucket of a 13-bucket Dictionary: indices 13 apart.
  void SetUp() override {
    FreshWorld::SetUp();
    table = newDictionary();
    registerKeys();
  }
  void registerKeys() {
    first = intern("first");
    // Fresh padding objects until the entry 13 past the first key is next.
    while (freeListHead().Index() < first.Index() + 13) newByteObject(0);
    second = intern("second");
    ASSERT_EQ(second.Index(), first.Index() + 13);
  }
  ObjectRef table = {0};
  ObjectRef first = {0};
  ObjectRef second = {0};
};

}  // namespace

TEST_F(NameTables, CollidingKeysTakeHeadThenLinkAndKeepTheirValues) {
  dictionaryAtPut(table, first, smallInt(1));
  dictionaryAtPut(table, second, smallInt(2));
  EXPECT_EQ(dictionaryAt(table, first), smallInt(1));
  EXPECT_EQ(dictionaryAt(table, second), smallInt(2));
  ObjectRef buckets = wordAt(table, kTableArray);
  uint32_t base = first.Index() % 13 * 3;
  EXPECT_EQ(wordAt(buckets, base + kBucketKey), first);
  ObjectRef link = wordAt(buckets, base + kBucketLink);
  EXPECT_EQ(classOf(link), globalValue("Link"));
  EXPECT_EQ(wordAt(link, kLinkKey), second);
  EXPECT_EQ(wordAt(link, kLinkNext), nilObj);
}

TEST_F(NameTables, ReinsertingReplacesInPlaceInHeadAndLink) {
  dictionaryAtPut(table, first, smallInt(1));
  dictionaryAtPut(table, second, smallInt(2));
  uint32_t freeBefore = freeEntryCount();
  dictionaryAtPut(table, first, smallInt(10));
  EXPECT_EQ(freeEntryCount(), freeBefore);  // the head is replaced without a Link
  dictionaryAtPut(table, second, smallInt(20));
  // A Link was made but entered nowhere: it is no longer fresh and goes at the next collection.
  ObjectRef unused = ObjectRef::fromIndex(freeListHead().Index() - 1);
  EXPECT_FALSE(isFresh(unused));
  EXPECT_EQ(dictionaryAt(table, first), smallInt(10));
  EXPECT_EQ(dictionaryAt(table, second), smallInt(20));
  ObjectRef link = wordAt(wordAt(table, kTableArray), first.Index() % 13 * 3 + kBucketLink);
  EXPECT_EQ(wordAt(link, kLinkNext), nilObj);  // still one Link
}

TEST_F(NameTables, MissingKeyAndNilValuedKeyBothAnswerNil) {
  EXPECT_EQ(dictionaryAt(table, first), nilObj);
  dictionaryAtPut(table, first, nilObj);
  ObjectRef key = {0};
  EXPECT_EQ(lookup(table, first.Index(), keyIsIdentical, &first, &key), nilObj);
  EXPECT_EQ(key, first);  // found, with the value nil
}

TEST_F(NameTables, LookupByTextMatchesWholeTextsOnly) {
  ObjectRef abc = intern("abc");
  EXPECT_TRUE(keyHasText(abc, "abc"));
  EXPECT_FALSE(keyHasText(abc, "ab"));
  EXPECT_FALSE(keyHasText(abc, "abcd"));
  EXPECT_FALSE(keyHasText(newPointerObject(0), ""));  // no body, no text
  EXPECT_FALSE(keyHasText(smallInt(4), ""));
}

TEST_F(NameTables, HugeHashesStillLandInTheTable) {
  dictionaryAtPut(table, first, smallInt(5));
  uint32_t hash = first.Index() + 13u * 300000000u;  // same bucket, above 2^31
  EXPECT_EQ(lookup(table, hash, keyIsIdentical, &first), smallInt(5));
}

using NameTablesDeath = FreshWorld;

TEST_F(NameTablesDeath, TablesWithoutABucketAreFatal) {
  ObjectRef tooSmall = newPointerObject(kTableWords);
  storeWord(tooSmall, kTableArray, newArray(2));
  ObjectRef key = intern("k");
  EXPECT_EXIT(lookup(tooSmall, 0, keyIsIdentical, &key), ::testing::ExitedWithCode(1),
              "^system error\nlookup on null table\n$");
  EXPECT_EXIT(insert(tooSmall, 0, key, nilObj), ::testing::ExitedWithCode(1),
              "^attempt to insert into\ntoo small name table\n$");
  EXPECT_EXIT(dictionaryAt(nilObj, key), ::testing::ExitedWithCode(1), "lookup on null table");
}
