#include "prim_test_support.h"

#include "smalltalk/class_layout.h"
#include "smalltalk/collector.h"
#include "smalltalk/memory_counters.h"
#include "smalltalk/method_cache.h"

namespace {

TEST_F(PrimWorld, ClassSizeIdentity) {
  setGlobal("Integer", globalValue("Object"));
  EXPECT_EQ(prim(11, {num(5)}), globalValue("Object"));
  EXPECT_EQ(prim(11, {nilObj}), globalValue("UndefinedObject"));
  EXPECT_EQ(prim(11, {str("a")}), stringClass());
  EXPECT_EQ(prim(12, {num(5)}), num(0));
  EXPECT_EQ(prim(12, {newArray(7)}), num(7));
  EXPECT_EQ(prim(12, {str("abc")}), num(4));
  EXPECT_EQ(prim(13, {num(-9)}), num(-9));
  EXPECT_EQ(prim(13, {trueObj}), num(2));
  EXPECT_EQ(prim(21, {num(3), num(3)}), trueObj);
  EXPECT_EQ(prim(21, {str("a"), str("a")}), falseObj);
}

TEST_F(PrimWorld, SetClassNeedsTwoObjects) {
  ObjectRef obj = newPointerObject(2);
  ObjectRef cls = newClass("Thing");
  EXPECT_EQ(prim(22, {obj, cls}), obj);
  EXPECT_EQ(classOf(obj), cls);
  EXPECT_EQ(prim(22, {num(1), cls}), nilObj);
  EXPECT_EQ(prim(22, {obj, num(1)}), nilObj);
  EXPECT_EQ(classOf(obj), cls);
}

struct ElementCase {
  int32_t index;
  bool inside;
};

class Elements : public PrimWorld, public ::testing::WithParamInterface<ElementCase> {};

TEST_P(Elements, OnlyInsideAPointerObject) {
  ObjectRef array = newArray(3);
  ObjectRef r = prim(31, {array, num(GetParam().index), num(9)});
  EXPECT_EQ(r, GetParam().inside ? array : nilObj);
  EXPECT_EQ(prim(25, {array, num(GetParam().index)}), GetParam().inside ? num(9) : nilObj);
}

INSTANTIATE_TEST_SUITE_P(Indices, Elements,
                         ::testing::Values(ElementCase{1, true}, ElementCase{3, true},
                                           ElementCase{0, false}, ElementCase{4, false},
                                           ElementCase{-1, false}, ElementCase{1073741823, false},
                                           ElementCase{-1073741824, false}));

TEST_F(PrimWorld, ElementAccessRefusesBytesAndIntegers) {
  EXPECT_EQ(prim(25, {str("abcdefgh"), num(1)}), nilObj);
  EXPECT_EQ(prim(31, {str("abcdefgh"), num(1), num(1)}), nilObj);
  EXPECT_EQ(prim(25, {num(8), num(1)}), nilObj);
  EXPECT_EQ(prim(25, {newArray(2), nilObj}), nilObj);
}

TEST_F(PrimWorld, StoredElementSurvivesCollection) {
  ObjectRef array = newArray(1);
  setGlobal("Holder", array);
  ObjectRef s = str("kept");
  prim(31, {array, num(1), s});
  EXPECT_FALSE(isFresh(s));
  EXPECT_EQ(prim(153, {falseObj}), falseObj);
  EXPECT_EQ(textOfObject(prim(25, {array, num(1)})), "kept");
  EXPECT_EQ(prim(153, {nilObj}), nilObj);
}

TEST_F(PrimWorld, NewObjects) {
  ObjectRef p = prim(58, {num(4)});
  EXPECT_TRUE(isPointerObject(p));
  EXPECT_EQ(wordCount(p), 4u);
  EXPECT_EQ(classOf(p), nilObj);
  EXPECT_EQ(wordAt(p, 3), nilObj);
  ObjectRef b = prim(59, {num(5)});
  EXPECT_FALSE(isPointerObject(b));
  EXPECT_EQ(byteSize(b), 5u);
  for (int number : {58, 59}) {
    EXPECT_EQ(prim(number, {num(-1)}), nilObj);
    EXPECT_EQ(prim(number, {str("3")}), nilObj);
  }
  EXPECT_EQ(prim(58, {num(kSmallIntMax)}), nilObj);  // more than an object may hold
}

TEST_F(PrimWorld, BlockCopyTakesTheLiteralsWords) {
  ObjectRef literal = newBlock();
  for (uint32_t i = 0; i < kBlockWords; ++i) storeWord(literal, i, num(10 + i));
  ObjectRef ctx = newArray(6);
  ObjectRef block = prim(29, {literal, ctx});
  ASSERT_NE(block, nilObj);
  EXPECT_NE(block, literal);
  EXPECT_EQ(classOf(block), globalValue("Block"));
  EXPECT_EQ(wordAt(block, 0), ctx);
  for (uint32_t i = 1; i <= 3; ++i) EXPECT_EQ(wordAt(block, i), num(10 + i));
  EXPECT_EQ(wordAt(block, 4), nilObj);
  EXPECT_EQ(prim(29, {newArray(3), ctx}), nilObj);
  EXPECT_EQ(prim(29, {str("abcdefgh"), ctx}), nilObj);
}

TEST_F(PrimWorld, TableWalkAnswersLiveObjectsDownwards) {
  uint32_t freeBefore = static_cast<uint32_t>(intOf(prim(2, {num(0)})));
  EXPECT_EQ(freeBefore, freeEntryCount());
  ObjectRef last = str("last object");
  EXPECT_EQ(intOf(prim(2, {num(0)})), static_cast<int32_t>(freeBefore) - 1);
  ObjectRef first = prim(2, {num(1)});
  EXPECT_EQ(first, last);
  uint32_t previous = first.Index();
  int seen = 1;
  for (ObjectRef o = prim(2, {num(2)}); o != nilObj; o = prim(2, {num(2)})) {
    EXPECT_LT(o.Index(), previous);
    EXPECT_NE(classOf(o), nilObj);
    EXPECT_NE(byteSize(o), 0u);
    previous = o.Index();
    ++seen;
  }
  EXPECT_GT(seen, 10);
  EXPECT_EQ(prim(2, {num(2)}), nilObj);
  EXPECT_EQ(prim(2, {num(3)}), nilObj);
  EXPECT_EQ(prim(2, {str("x")}), nilObj);
}

// Fresh objects that nothing holds are released; held ones stay.
TEST_F(PrimWorld, ReleaseFreshSparesWhatTheSystemHolds) {
  ObjectRef loose = newArray(2);
  ObjectRef held = newArray(2);
  RootGuard keep(held);
  ObjectRef stored = str("stored");
  setGlobal("Stored", stored);
  newArray(1);  // more objects so that the bound lies above the ones above
  newArray(1);
  newArray(1);
  uint32_t releasesBefore = memoryCounters.releaseCount;
  EXPECT_EQ(prim(159), nilObj);
  EXPECT_TRUE(isAvail(loose.Index()));
  EXPECT_FALSE(isAvail(held.Index()));
  EXPECT_FALSE(isAvail(stored.Index()));
  EXPECT_FALSE(isAvail(0));
  EXPECT_GT(memoryCounters.releaseCount, releasesBefore);
  EXPECT_EQ(textOfObject(globalValue("Stored")), "stored");
}

// A released Method leaves no cache line behind: a send finding it there
// would stop the system ("isAvail(method) == false").
TEST_F(PrimWorld, ReleaseFreshEmptiesTheMethodCache) {
  const ObjectRef selector = intern("releasedSelector");
  const ObjectRef cls = arrayClass();
  const ObjectRef method = newMethod();
  newArray(1);  // more objects so that the bound lies above the Method
  newArray(1);
  newArray(1);
  CacheLine& line = methodCache[cacheLineIndex(selector, cls)];
  line = CacheLine{selector, cls, cls, method, {}};
  ASSERT_NE(cachedLine(selector, cls), nullptr);
  EXPECT_EQ(prim(159), nilObj);
  EXPECT_TRUE(isAvail(method.Index()));
  EXPECT_NE(line.selector, selector);
}

}  // namespace
