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
