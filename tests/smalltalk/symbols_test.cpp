#include <gtest/gtest.h>

#include "smalltalk/collector.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/symbols.h"
#include "memory_test_support.h"

using Symbols = FreshWorld;

TEST_F(Symbols, InterningTwiceYieldsOneSymbol) {
  ObjectRef a = intern("fooBar:");
  uint32_t freeAfterFirst = freeEntryCount();
  ObjectRef b = intern("fooBar:");
  EXPECT_EQ(a, b);
  EXPECT_EQ(freeEntryCount(), freeAfterFirst);
  EXPECT_EQ(textOf(a), "fooBar:");
  EXPECT_EQ(classOf(a), globalValue("Symbol"));
}

TEST_F(Symbols, NewSymbolHasNilGlobalValueAndIsFound) {
  EXPECT_EQ(findSymbol("brandNew"), nilObj);
  ObjectRef symbol = intern("brandNew");
  EXPECT_EQ(findSymbol("brandNew"), symbol);
  EXPECT_EQ(globalValue("brandNew"), nilObj);
  EXPECT_EQ(globalValue("neverInterned"), nilObj);
}

TEST_F(Symbols, SymbolsSurviveCollectionsWithoutFreshRoots) {
  ObjectRef symbol = intern("keptForever");
  collectGarbage(false);
  EXPECT_EQ(findSymbol("keptForever"), symbol);
  EXPECT_EQ(textOf(symbol), "keptForever");
}

TEST_F(Symbols, SettingAGlobalReplacesItsValue) {
  setGlobal("answer", smallInt(42));
  EXPECT_EQ(globalValue("answer"), smallInt(42));
  ObjectRef text = newString("forty-two");
  setGlobal("answer", text);
  EXPECT_EQ(globalValue("answer"), text);
  EXPECT_FALSE(isFresh(text));
}

TEST_F(Symbols, ManyNamesInOneBucketChainAllResolve) {
  // 53 buckets: every name is looked up again after all were entered.
  for (int i = 0; i < 500; ++i) setGlobal(("g" + std::to_string(i)).c_str(), smallInt(i));
  collectGarbage(false);
  for (int i = 0; i < 500; ++i)
    EXPECT_EQ(globalValue(("g" + std::to_string(i)).c_str()), smallInt(i)) << i;
}

TEST_F(Symbols, ClassCachesRetryWhileNilAndKeepTheirClass) {
  EXPECT_EQ(integerClass(), nilObj);
  ObjectRef integer = findOrCreateClass("Integer");
  EXPECT_EQ(integerClass(), integer);  // looked up again because it was nil
  EXPECT_EQ(arrayClass(), globalValue("Array"));
  EXPECT_EQ(stringClass(), globalValue("String"));
  EXPECT_EQ(symbolClass(), globalValue("Symbol"));
  setGlobal("Integer", nilObj);
  collectGarbage(false);
  EXPECT_EQ(integerClass(), integer);  // kept, and kept alive
  EXPECT_TRUE(isObject(integer));
}

// Global reads remember where the entry lives; the remembered place must
// follow every way a global's value or the table can change.
TEST_F(Symbols, RememberedGlobalsFollowChangesCollectionsAndFreshWorlds) {
  setGlobal("remembered", smallInt(1));
  EXPECT_EQ(globalValue("remembered"), smallInt(1));
  setGlobal("remembered", smallInt(2));  // replaced in place
  EXPECT_EQ(globalValue("remembered"), smallInt(2));
  // A name entered after a miss is found (misses are not remembered).
  EXPECT_EQ(globalValue("later"), nilObj);
  setGlobal("later", smallInt(3));
  EXPECT_EQ(globalValue("later"), smallInt(3));
  // Texts that share the remembered line's slot do not answer for each other.
  for (int i = 0; i < 600; ++i) setGlobal(("n" + std::to_string(i)).c_str(), smallInt(i));
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 600; ++i)
      ASSERT_EQ(globalValue(("n" + std::to_string(i)).c_str()), smallInt(i)) << i;
  collectGarbage(false);
  EXPECT_EQ(globalValue("remembered"), smallInt(2));
  bootstrapObjectWorld();  // a fresh world knows nothing of the old one
  EXPECT_EQ(globalValue("remembered"), nilObj);
}

TEST_F(Symbols, KnownGlobalsFollowRedefinitionAndAbsence) {
  static KnownGlobal known("KnownOne");
  EXPECT_EQ(known.value(), nilObj);  // not defined yet: looked up again next time
  setGlobal("KnownOne", smallInt(1));
  EXPECT_EQ(known.value(), smallInt(1));
  setGlobal("KnownOne", smallInt(2));
  EXPECT_EQ(known.value(), smallInt(2));
  collectGarbage(false);
  EXPECT_EQ(known.value(), smallInt(2));
  bootstrapObjectWorld();
  EXPECT_EQ(known.value(), nilObj);
}
