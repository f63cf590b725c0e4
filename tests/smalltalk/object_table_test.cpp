#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "smalltalk/memory_counters.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/primitive_table.h"
#include "memory_test_support.h"

using ObjectTable = FreshTable;

TEST_F(ObjectTable, FreshTableHasEveryUsableEntryFreeInAscendingOrder) {
  EXPECT_EQ(freeListHead(), ObjectRef::fromIndex(1));
  EXPECT_EQ(objTbl[0].flags, 0u);
  EXPECT_EQ(freeEntryCount(), kLastIndex);
  EXPECT_EQ(nextFree(ObjectRef::fromIndex(kLastIndex)), pointerList);  // the list ends in 0
  EXPECT_EQ(nextFree(ObjectRef::fromIndex(100)), ObjectRef::fromIndex(101));
}

TEST_F(ObjectTable, EntriesAreWrittenAsAllocationReachesThem) {
  EXPECT_EQ(tableWritten, 1u);  // entry 0 only
  constexpr uint32_t kCount = 10000;  // past more than one written stretch
  for (uint32_t i = 1; i <= kCount; ++i) ASSERT_EQ(allocateEntry(), ObjectRef::fromIndex(i));
  EXPECT_GT(tableWritten, kCount);
  EXPECT_LT(tableWritten, kTableEntries);
  EXPECT_EQ(freeEntryCount(), kLastIndex - kCount);
  // The written free entries lead into the unwritten ones, in order.
  ObjectRef at = freeListHead();
  EXPECT_EQ(at, ObjectRef::fromIndex(kCount + 1));
  for (; at.Index() <= tableWritten; at = nextFree(at))
    ASSERT_EQ(nextFree(at), ObjectRef::fromIndex(at.Index() + 1));
  EXPECT_FALSE(isObject(ObjectRef::fromIndex(tableWritten)));  // unwritten: free
  EXPECT_FALSE(isObject(ObjectRef::fromIndex(kCount + 1)));
  EXPECT_TRUE(isObject(ObjectRef::fromIndex(kCount)));
}

TEST_F(ObjectTable, FirstAllocationsTakeIndicesOneToFive) {
  const uint32_t expectedWords[] = {2, 4, 6, 8, 10};
  for (uint32_t word : expectedWords) EXPECT_EQ(allocateEntry().word, word);
  EXPECT_EQ(freeListHead(), ObjectRef::fromIndex(6));
}

TEST_F(ObjectTable, FreeEntriesBelowTheHeadAreTheHolesThatReleasingLeftBehindIt) {
  for (int i = 0; i < 10; ++i) allocateEntry();  // 1 to 10, all fresh
  for (uint32_t i : {1u, 2u, 3u, 5u, 7u, 9u, 10u}) clearFresh(ObjectRef::fromIndex(i));
  EXPECT_EQ(freeEntriesBelowHead(), 0u);  // the list starts at 11, above every object
  EXPECT_EQ(freeEntryCount(), kLastIndex - 10);
  // Releasing walks 1 to 8 (below 11 - 2) and pushes 4, 6 and 8 on the list.
  ObjectRef none[4] = {nilObj, nilObj, nilObj, nilObj};
  callPrimitive(159, none);
  EXPECT_EQ(freeListHead(), ObjectRef::fromIndex(8));
  EXPECT_EQ(freeEntryCount(), kLastIndex - 7);
  EXPECT_EQ(freeEntriesBelowHead(), 1u);  // 4; 6 is not below 8 - 2
}

TEST_F(ObjectTable, ANewTableForgetsTheMethodCacheLinesOfTheOldOne) {
  for (int i = 0; i < 5000; ++i) newPointerObject(0);
  const ObjectRef selector = ObjectRef::fromIndex(10), cls = ObjectRef::fromIndex(20);
  const ObjectRef method = ObjectRef::fromIndex(4500);  // in use, past the first stretch
  methodCache[cacheLineIndex(selector, cls)] = CacheLine{selector, cls, cls, method, {}};
  ASSERT_NE(cachedLine(selector, cls), nullptr);
  createObjectTable();  // entry 4500 is not written yet in the new table
  EXPECT_EQ(cachedLine(selector, cls), nullptr);
}

TEST_F(ObjectTable, AllocatedEntryHasExactlyTheFreshFlag) {
  ObjectRef obj = allocateEntry();
  EXPECT_EQ(entryOf(obj).flags, kFreshFlag);
  EXPECT_EQ(entryOf(obj).body, nullptr);
  EXPECT_EQ(byteSize(obj), 0u);
}

// Kind, size shift, body and class of each constructor.
struct KindCase {
  const char* name;
  ObjectRef (*make)();
  uint32_t size;
  uint32_t flags;
};
const KindCase kKinds[] = {
    {"EmptyPointer", [] { return newPointerObject(0); }, 0, kPointerShift | kPointerFlag},
    {"ThreeWords", [] { return newPointerObject(3); }, 12, kPointerShift | kPointerFlag | kFreshFlag},
    {"FiveBytes", [] { return newByteObject(5); }, 5, kByteShift | kFreshFlag},
    {"EmptyBytes", [] { return newByteObject(0); }, 0, kByteShift | kFreshFlag},
    {"String", [] { return newStringObject("abc"); }, 4, kByteShift | kFreshFlag},
    {"EmptyString", [] { return newStringObject(""); }, 1, kByteShift | kFreshFlag},
};

class ObjectKinds : public FreshTable, public ::testing::WithParamInterface<KindCase> {};

TEST_P(ObjectKinds, HaveTheirSizeFlagsAndNilClass) {
  newPointerObject(0);  // nil at index 1, so that "class nil" means something
  ObjectRef obj = GetParam().make();
  EXPECT_EQ(byteSize(obj), GetParam().size);
  EXPECT_EQ(entryOf(obj).flags & ~kFreshFlag, GetParam().flags & ~kFreshFlag);
  EXPECT_TRUE(isFresh(obj));
  EXPECT_EQ(classOf(obj), nilObj);
  EXPECT_EQ(entryOf(obj).body == nullptr, GetParam().size == 0);
}
INSTANTIATE_TEST_SUITE_P(All, ObjectKinds, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ObjectTable, PointerObjectReadsNilAndByteObjectZero) {
  ObjectRef words = newPointerObject(3);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(wordAt(words, i), nilObj);
  EXPECT_EQ(wordCount(words), 3u);
  ObjectRef bytes = newByteObject(7);
  EXPECT_EQ(wordCount(bytes), 7u);
  for (uint32_t i = 0; i < 7; ++i) EXPECT_EQ(bytesOf(bytes)[i], 0);
}

TEST_F(ObjectTable, StringObjectHoldsTextAndTerminatingZero) {
  ObjectRef text = newStringObject("hello");
  EXPECT_EQ(std::memcmp(bytesOf(text), "hello", 6), 0);
  ObjectRef counted = newStringObjectOfLength("abcdef", 3);
  EXPECT_EQ(byteSize(counted), 4u);
  EXPECT_STREQ(charsOf(counted), "abc");
}

TEST_F(ObjectTable, CreatingNilClearsItsOwnFreshFlagThroughTheStoreRule) {
  ObjectRef nil = newPointerObject(0);
  ASSERT_EQ(nil, nilObj);
  EXPECT_FALSE(isFresh(nil));
  ObjectRef other = newPointerObject(0);
  EXPECT_TRUE(isFresh(other));
}

TEST_F(ObjectTable, StoreRuleClearsFreshOfStoredObjectsOnly) {
  newPointerObject(0);  // nil
  ObjectRef holder = newPointerObject(2);
  ObjectRef stored = newPointerObject(0);
  ObjectRef cls = newPointerObject(0);
  storeWord(holder, 0, stored);
  storeWord(holder, 1, smallInt(-5));  // small integers are not objects
  setClass(holder, cls);
  EXPECT_FALSE(isFresh(stored));
  EXPECT_FALSE(isFresh(cls));
  EXPECT_TRUE(isFresh(holder));
  EXPECT_EQ(wordAt(holder, 1).intValue(), -5);
}

TEST_F(ObjectTable, DestroyingTheTableReleasesEveryBlockItCounted) {
  const MemoryCounters before = memoryCounters;
  newPointerObject(10);
  newByteObject(100);
  newStringObject("text");
  EXPECT_EQ(memoryCounters.allocationCount - before.allocationCount, 3u);
  EXPECT_GE(memoryCounters.bytesInUse - before.bytesInUse, 40u + 100u + 5u);
  destroyObjectTable();  // the three bodies and the table
  EXPECT_EQ(objTbl, nullptr);
  EXPECT_EQ(memoryCounters.releaseCount - before.releaseCount, 4u);
  // Everything counted since is given back, and the table's own block too.
  EXPECT_GE(before.bytesInUse - memoryCounters.bytesInUse, sizeof(ObjectEntry) * kTableEntries);
}

TEST_F(ObjectTable, IsObjectRejectsIntegersEntryZeroFreeAndOutOfRangeIndices) {
  ObjectRef obj = newPointerObject(0);
  EXPECT_TRUE(isObject(obj));
  EXPECT_FALSE(isObject(smallInt(1)));
  EXPECT_FALSE(isObject(pointerList));
  EXPECT_FALSE(isObject(ObjectRef::fromIndex(2)));  // still free
  EXPECT_FALSE(isObject(ObjectRef::fromIndex(kTableEntries)));
}

using ObjectTableDeath = FreshTable;

TEST_F(ObjectTableDeath, ExhaustedTableStopsNamingTheCondition) {
  EXPECT_EXIT(
      {
        for (uint32_t i = 0; i < kLastIndex; ++i) allocateEntry();  // all fresh
        allocateEntry();
      },
      ::testing::ExitedWithCode(1), "ans.Index\\(\\) != 0 \\(smalltalk/tolva\\)");
}

TEST_F(ObjectTableDeath, StoringOutsideABodyIsAnInternalError) {
  ObjectRef obj = newPointerObject(2);
  EXPECT_EXIT(storeWord(obj, 2, nilObj), ::testing::ExitedWithCode(1), "internal error");
  ObjectRef bytes = newByteObject(16);
  EXPECT_EXIT(storeWord(bytes, 0, nilObj), ::testing::ExitedWithCode(1), "internal error");
}

TEST_F(ObjectTable, TheTableIsOneCountedLargeBlockGivenBackWhole) {
  const MemoryCounters before = memoryCounters;
  destroyObjectTable();  // nothing but the table is held in a fresh table
  EXPECT_EQ(memoryCounters.releaseCount - before.releaseCount, 1u);
  EXPECT_GE(before.bytesInUse - memoryCounters.bytesInUse, sizeof(ObjectEntry) * kTableEntries);
  createObjectTable();
  EXPECT_EQ(memoryCounters.bytesInUse, before.bytesInUse);
  EXPECT_EQ(memoryCounters.allocationCount - before.allocationCount, 1u);
}

TEST(LargeBlocks, AreZeroFilledAndCountedBothWays) {
  const MemoryCounters before = memoryCounters;
  const size_t bytes = 3 * 1024 * 1024 + 5;
  auto* block = static_cast<unsigned char*>(acquireLargeBlock(bytes));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[0] | block[bytes / 2] | block[bytes - 1], 0);
  block[bytes - 1] = 7;  // the whole size is usable
  EXPECT_GE(memoryCounters.bytesInUse - before.bytesInUse, bytes);
  releaseLargeBlock(block, bytes);
  EXPECT_EQ(memoryCounters.bytesInUse, before.bytesInUse);
  EXPECT_EQ(memoryCounters.releaseCount - before.releaseCount, 1u);
}

// Small blocks are handed out again after release: they must come back
// zeroed, whole and counted, whatever size class they fall in.
TEST(SmallBlocks, ComeBackZeroedAndCountedAcrossSizes) {
  const MemoryCounters before = memoryCounters;
  std::vector<std::pair<unsigned char*, size_t>> blocks;
  for (size_t bytes = 1; bytes <= 300; bytes += 7) {
    auto* block = static_cast<unsigned char*>(acquireBlock(bytes));
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xAB, bytes);  // dirty every byte before release
    blocks.emplace_back(block, bytes);
  }
  for (auto& [block, bytes] : blocks) releaseBlock(block);
  EXPECT_EQ(memoryCounters.bytesInUse, before.bytesInUse);
  std::vector<std::pair<unsigned char*, size_t>> again;
  for (size_t bytes = 1; bytes <= 300; bytes += 7) {
    auto* block = static_cast<unsigned char*>(acquireBlock(bytes));
    ASSERT_NE(block, nullptr);
    for (size_t i = 0; i < bytes; ++i) ASSERT_EQ(block[i], 0) << bytes << " bytes, byte " << i;
    std::memset(block, static_cast<int>(bytes), bytes);
    again.emplace_back(block, bytes);
  }
  // No two live blocks share a byte: each still holds its own pattern.
  for (auto& [block, bytes] : again)
    for (size_t i = 0; i < bytes; ++i) ASSERT_EQ(block[i], static_cast<unsigned char>(bytes));
  for (auto& [block, bytes] : again) releaseBlock(block);
  EXPECT_EQ(memoryCounters.bytesInUse, before.bytesInUse);
  EXPECT_EQ(memoryCounters.allocationCount - before.allocationCount, 2 * blocks.size());
  EXPECT_EQ(memoryCounters.releaseCount - before.releaseCount, 2 * blocks.size());
}
