#include <gtest/gtest.h>

#include <vector>

#include "smalltalk/collector.h"
#include "smalltalk/memory_counters.h"
#include "memory_test_support.h"

namespace {

// A table with the five fixed objects, `symbols` being a stand-in that holds
// true, false and hashTable in its words 1 to 3; word 0 is free for a test.
// Reachability from the symbol table is tested without the bootstrap.
class Collector : public FreshTable {
 protected:
  void SetUp() override {
    FreshTable::SetUp();
    for (int i = 0; i < 4; ++i) newPointerObject(0);  // nil, true, false, hashTable
    ASSERT_EQ(newPointerObject(4), symbols);
    for (uint32_t i = 1; i < 4; ++i) storeWord(symbols, i, ObjectRef::fromIndex(i + 1));
  }
  // Makes obj reachable from `symbols`.
  void hold(ObjectRef obj) { storeWord(symbols, 0, obj); }
  bool alive(ObjectRef obj) { return !isAvail(obj.Index()); }
};

}  // namespace

TEST_F(Collector, FreshObjectSurvivesOnlyCollectionsWithFreshRoots) {
  ObjectRef held = newPointerObject(2);
  collectGarbage(true);
  EXPECT_TRUE(alive(held));
  EXPECT_TRUE(isFresh(held));
  collectGarbage(false);
  EXPECT_FALSE(alive(held));
}

TEST_F(Collector, ObjectsReachableFromSymbolsSurviveBothKinds) {
  ObjectRef outer = newPointerObject(1);
  ObjectRef inner = newByteObject(8);
  ObjectRef cls = newPointerObject(0);
  storeWord(outer, 0, inner);
  setClass(inner, cls);
  hold(outer);
  collectGarbage(false);
  for (ObjectRef obj : {outer, inner, cls}) EXPECT_TRUE(alive(obj));
  EXPECT_FALSE(isFresh(outer));
  EXPECT_EQ(byteSize(inner), 8u);
}

TEST_F(Collector, CollectionWithoutFreshRootsClearsFreshFlagOfSurvivors) {
  ObjectRef obj = newPointerObject(0);
  ObjectRef guarded = obj;
  RootGuard guard(guarded);
  collectGarbage(false);
  EXPECT_TRUE(alive(obj));
  EXPECT_FALSE(isFresh(obj));
}

TEST_F(Collector, UnreachableCycleIsCollectedAndItsBodiesReleased) {
  ObjectRef a = newPointerObject(1);
  ObjectRef b = newPointerObject(1);
  storeWord(a, 0, b);  // clears b's fresh flag
  storeWord(b, 0, a);  // clears a's fresh flag
  const MemoryCounters before = memoryCounters;
  collectGarbage(true);
  EXPECT_FALSE(alive(a));
  EXPECT_FALSE(alive(b));
  // Two bodies; the collection takes no memory of its own.
  EXPECT_EQ(memoryCounters.releaseCount - before.releaseCount, 2u);
  EXPECT_EQ(memoryCounters.allocationCount - before.allocationCount, 0u);
  EXPECT_LT(memoryCounters.bytesInUse, before.bytesInUse);
  EXPECT_EQ(entryOf(a).flags, kFreeFlag);
  EXPECT_EQ(entryOf(a).body, nullptr);
}

TEST_F(Collector, NextAllocationAfterCollectionTakesTheLowestFreeIndex) {
  ObjectRef first = newPointerObject(0);   // 6
  ObjectRef second = newPointerObject(0);  // 7
  ObjectRef third = newPointerObject(0);   // 8
  clearFresh(second);
  collectGarbage(true);
  EXPECT_TRUE(alive(first));
  EXPECT_TRUE(alive(third));
  EXPECT_EQ(allocateEntry(), second);
  EXPECT_EQ(allocateEntry(), ObjectRef::fromIndex(9));
}

TEST_F(Collector, RebuiltFreeListAscendsThroughTheWholeTable) {
  newPointerObject(0);
  collectGarbage(false);
  ObjectRef expected = ObjectRef::fromIndex(6);
  uint32_t count = 0;
  for (ObjectRef at = freeListHead(); at != pointerList; at = nextFree(at), ++count) {
    ASSERT_EQ(at, expected);
    expected = ObjectRef::fromIndex(at.Index() + 1);
  }
  EXPECT_EQ(count, kLastIndex - 5);
  EXPECT_EQ(freeEntryCount(), count);
}

TEST_F(Collector, CollectionOfAPartlyWrittenTableFreesGarbageBelowTheUnwrittenEntries) {
  std::vector<ObjectRef> kept;
  for (uint32_t i = 0; i < 9000; ++i) {
    ObjectRef obj = newPointerObject(0);
    if (i % 3 == 0) kept.push_back(obj); else clearFresh(obj);
  }
  const uint32_t written = tableWritten;
  collectGarbage(true);  // the kept ones are still fresh
  EXPECT_EQ(tableWritten, written);  // a collection writes nothing new
  for (ObjectRef obj : kept) EXPECT_TRUE(alive(obj));
  EXPECT_EQ(freeEntryCount(), kLastIndex - 5 - static_cast<uint32_t>(kept.size()));
  // The freed garbage comes first, lowest index first, then the unwritten entries.
  ObjectRef at = freeListHead();
  EXPECT_EQ(at, ObjectRef::fromIndex(7));  // 6 was kept
  uint32_t previous = 0, count = 0;
  for (; at != pointerList; at = nextFree(at), ++count) {
    ASSERT_GT(at.Index(), previous);
    previous = at.Index();
  }
  EXPECT_EQ(count, freeEntryCount());
  EXPECT_EQ(previous, kLastIndex);
}

TEST_F(Collector, ExhaustedFreeListCollectsBeforeAllocating) {
  // Fill the table with garbage, then allocate once more.
  while (freeListHead() != pointerList) clearFresh(newPointerObject(0));
  ObjectRef kept = newPointerObject(0);  // triggers the collection, which frees 6 onwards
  EXPECT_EQ(kept, ObjectRef::fromIndex(6));
  EXPECT_EQ(freeListHead(), ObjectRef::fromIndex(7));
}

TEST_F(Collector, LongChainsAreMarkedWithoutRecursion) {
  constexpr uint32_t kLength = 300000;
  ObjectRef head = newPointerObject(1);
  hold(head);
  ObjectRef tail = head;
  for (uint32_t i = 0; i < kLength; ++i) {
    ObjectRef next = newPointerObject(1);
    storeWord(tail, 0, next);
    tail = next;
  }
  collectGarbage(false);
  EXPECT_TRUE(alive(tail));
  EXPECT_EQ(freeEntryCount(), kLastIndex - 5 - kLength - 1);
}

namespace {
ObjectRef enumeratedRoot = {0};
void enumerateRoot(RootVisitor visit) { visit(enumeratedRoot); }
int collectionsSeen = 0;
void countCollection() { ++collectionsSeen; }
}  // namespace

TEST_F(Collector, RegisteredSlotsAndEnumeratorsAreRootsInBothKinds) {
  ObjectRef slot = newPointerObject(1);
  ObjectRef child = newPointerObject(0);
  storeWord(slot, 0, child);
  enumeratedRoot = newPointerObject(0);
  registerRootSlot(&slot);
  registerRootEnumerator(enumerateRoot);
  collectGarbage(false);
  EXPECT_TRUE(alive(slot));
  EXPECT_TRUE(alive(child));
  EXPECT_TRUE(alive(enumeratedRoot));
  unregisterRootSlot(&slot);
  unregisterRootEnumerator(enumerateRoot);
  collectGarbage(false);
  EXPECT_FALSE(alive(slot));
  EXPECT_FALSE(alive(enumeratedRoot));
}

TEST_F(Collector, RootGuardHoldsOnlyWhileInScope) {
  ObjectRef obj = newPointerObject(0);
  {
    RootGuard guard(obj);
    collectGarbage(false);
    EXPECT_TRUE(alive(obj));
  }
  collectGarbage(false);
  EXPECT_FALSE(alive(obj));
}

TEST_F(Collector, ObserversHearOfEveryCollection) {
  collectionsSeen = 0;
  registerCollectionObserver(countCollection);
  collectGarbage(true);
  collectGarbage(false);
  unregisterCollectionObserver(countCollection);
  collectGarbage(true);
  EXPECT_EQ(collectionsSeen, 2);
}

TEST_F(Collector, MarkHeldObjectsMarksWhatTheSystemHoldsButNotFreshGarbage) {
  ObjectRef held = newPointerObject(0);
  hold(held);
  ObjectRef loose = newPointerObject(0);
  markHeldObjects();
  EXPECT_NE(entryOf(held).flags & kMarkFlag, 0u);
  EXPECT_EQ(entryOf(loose).flags & kMarkFlag, 0u);
  clearAllMarks();
  EXPECT_EQ(entryOf(held).flags & kMarkFlag, 0u);
}

TEST_F(Collector, EntryZeroIsNeverMarkedAndLosesItsFreshFlag) {
  objTbl[0].flags |= kFreshFlag;
  collectGarbage(true);
  EXPECT_EQ(objTbl[0].flags, 0u);
}
