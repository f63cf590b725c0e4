#include <gtest/gtest.h>

#include <string>

#include "smalltalk/class_layout.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/interpreter.h"
#include "smalltalk/symbols.h"
#include "smalltalk/variable_names.h"
#include "memory_test_support.h"

namespace {

ObjectRef className(ObjectRef cls) { return wordAt(cls, kClassName); }

}  // namespace

using Bootstrap = FreshWorld;

TEST_F(Bootstrap, FixedObjectsHaveTheirClassesAndGlobals) {
  struct Fixed {
    ObjectRef obj;
    const char* cls;
    const char* global;
  };
  const Fixed fixed[] = {
      {nilObj, "UndefinedObject", "nil"},
      {trueObj, "True", "true"},
      {falseObj, "False", "false"},
      {symbols, "SymbolTable", "symbols"},
      {hashTable, "Array", nullptr},
  };
  for (const Fixed& f : fixed) {
    EXPECT_EQ(classOf(f.obj), globalValue(f.cls)) << f.cls;
    if (f.global != nullptr) {
      EXPECT_EQ(globalValue(f.global), f.obj) << f.global;
    }
  }
  EXPECT_EQ(wordAt(symbols, kTableArray), hashTable);
  EXPECT_EQ(wordCount(hashTable), 159u);
}

TEST_F(Bootstrap, VersionIsTheString03AndIntegerDoesNotExistYet) {
  ObjectRef version = globalValue("version");
  EXPECT_EQ(classOf(version), globalValue("String"));
  EXPECT_EQ(textOf(version), "0.3");
  EXPECT_EQ(globalValue("Integer"), nilObj);
}

TEST_F(Bootstrap, EveryCoreClassHasANamedMetaclassOfClassMetaclass) {
  const char* names[] = {"Symbol", "Metaclass", "UndefinedObject", "True", "False", "Link",
                         "Array", "SymbolTable", "Object", "Class", "Block", "ByteArray",
                         "Char", "Context", "Dictionary", "Float", "Method", "String"};
  ObjectRef metaclass = globalValue("Metaclass");
  for (const char* name : names) {
    ObjectRef cls = globalValue(name);
    ASSERT_TRUE(isObject(cls)) << name;
    ObjectRef meta = classOf(cls);
    std::string metaName = std::string(name) + "Meta";
    EXPECT_EQ(globalValue(metaName.c_str()), meta) << name;
    EXPECT_EQ(textOf(className(cls)), name);
    EXPECT_EQ(className(meta), findSymbol(metaName.c_str()));
    EXPECT_EQ(classOf(meta), metaclass) << name;
    EXPECT_EQ(wordAt(meta, kClassInstanceSize), smallInt(8)) << name;
    EXPECT_EQ(wordAt(cls, kClassInstanceSize), nilObj) << name;
  }
}

TEST_F(Bootstrap, OnlyObjectsMetaclassHasASuperclass) {
  EXPECT_EQ(wordAt(classOf(globalValue("Object")), kClassSuperclass), globalValue("Class"));
  EXPECT_EQ(wordAt(globalValue("Object"), kClassSuperclass), nilObj);
  EXPECT_EQ(wordAt(globalValue("String"), kClassSuperclass), nilObj);
}

TEST_F(Bootstrap, EarlySymbolsAndLinksGotTheirClassesAfterwards) {
  EXPECT_EQ(classOf(findSymbol("Symbol")), globalValue("Symbol"));
  EXPECT_EQ(classOf(findSymbol("SymbolMeta")), globalValue("Symbol"));
  EXPECT_EQ(classOf(findSymbol("nil")), globalValue("Symbol"));
  ObjectRef link = globalValue("Link");
  uint32_t links = 0;
  for (uint32_t b = 0; b < 53; ++b) {
    for (ObjectRef l = wordAt(hashTable, 3 * b + 2); l != nilObj; l = wordAt(l, kLinkNext)) {
      EXPECT_EQ(classOf(l), link);
      ++links;
    }
  }
  EXPECT_GT(links, 0u);  // 53 buckets hold more than 53 names
}

TEST_F(Bootstrap, NothingIsFreshAfterwards) {
  // Everything the bootstrap made is entered somewhere, so nothing depends
  // on fresh flags to survive.
  for (uint32_t i = 1; i <= kLastIndex && !isAvail(i); ++i)
    EXPECT_FALSE(isFresh(ObjectRef::fromIndex(i))) << i;
}

TEST_F(Bootstrap, FindOrCreateClassReusesExistingClassesAndSetsInstanceSize) {
  ObjectRef object = globalValue("Object");
  uint32_t freeBefore = freeEntryCount();
  EXPECT_EQ(findOrCreateClass("Object"), object);
  EXPECT_EQ(freeEntryCount(), freeBefore);
  EXPECT_EQ(wordAt(object, kClassInstanceSize), smallInt(0));
  ObjectRef point = findOrCreateClass("Point");
  EXPECT_EQ(globalValue("Point"), point);
  EXPECT_EQ(wordAt(point, kClassInstanceSize), smallInt(0));
  storeWord(point, kClassInstanceSize, smallInt(2));
  EXPECT_EQ(wordAt(findOrCreateClass("Point"), kClassInstanceSize), smallInt(2));
}

TEST_F(Bootstrap, FindOrCreateClassReplacesAGlobalThatIsNoClass) {
  ObjectRef version = globalValue("version");
  ObjectRef cls = findOrCreateClass("version");
  EXPECT_NE(cls, version);
  EXPECT_EQ(globalValue("version"), cls);
  EXPECT_EQ(textOf(version), "0.3");  // untouched
  setGlobal("Counter", smallInt(7));
  EXPECT_TRUE(isObject(findOrCreateClass("Counter")));
}

TEST_F(Bootstrap, ClassNamesOfAnyLengthGetTheirMetaclassName) {
  std::string name(10000, 'K');
  ObjectRef cls = findOrCreateClass(name.c_str());
  EXPECT_EQ(textOf(wordAt(classOf(cls), kClassName)), name + "Meta");
}

TEST_F(Bootstrap, CoreConstructorsSetTheirClassesAndContents) {
  EXPECT_EQ(classOf(newArray(3)), globalValue("Array"));
  EXPECT_EQ(wordCount(newBlock()), kBlockWords);
  EXPECT_EQ(classOf(newByteArray(4)), globalValue("ByteArray"));
  ObjectRef ch = newChar(65);
  EXPECT_EQ(wordAt(ch, kCharCode), smallInt(65));
  EXPECT_EQ(classOf(newMethod()), globalValue("Method"));
  EXPECT_EQ(newString(nullptr), nilObj);
  ObjectRef number = newFloat(-2.5);
  EXPECT_EQ(byteSize(number), 8u);
  EXPECT_EQ(bytesOf(number)[7], 0xC0);  // little-endian: sign and exponent last
  EXPECT_EQ(floatValue(number), -2.5);
  ObjectRef dictionary = newDictionary();
  EXPECT_EQ(wordCount(wordAt(dictionary, kTableArray)), 39u);
  ObjectRef method = newMethod();
  ObjectRef args = newArray(1);
  ObjectRef temps = newArray(2);
  ObjectRef context = newContext(method, args, temps, 7);
  EXPECT_EQ(wordAt(context, kContextLink), smallInt(7));
  EXPECT_EQ(wordAt(context, kContextMethod), method);
  EXPECT_EQ(wordAt(context, kContextTemporaries), temps);
  EXPECT_EQ(wordAt(context, 5), nilObj);
}

TEST_F(Bootstrap, InterpreterSetUpInternsTheSpecialSelectors) {
  setUpInterpreter();
  EXPECT_EQ(unarySelector(0), findSymbol("isNil"));
  EXPECT_EQ(binarySelector(0), findSymbol("+"));
  EXPECT_EQ(binarySelector(27), findSymbol("addLast:"));
}

using BootstrapDeath = FreshWorld;

TEST_F(BootstrapDeath, InterpreterSetUpStopsWhenAFixedGlobalWasReplaced) {
  setGlobal("true", falseObj);
  EXPECT_EXIT(setUpInterpreter(), ::testing::ExitedWithCode(1),
              "globalValue\\(\"true\"\\) == trueObj \\(smalltalk/tolva\\)");
}

// ---- variable name lists ---------------------------------------------------

namespace {

ObjectRef symbolArray(std::initializer_list<const char*> names) {
  ObjectRef array = newArray(static_cast<uint32_t>(names.size()));
  uint32_t i = 0;
  for (const char* name : names) storeWord(array, i++, intern(name));
  return array;
}

std::vector<std::string> namesIn(const VariableNameList& list) {
  return std::vector<std::string>(list.names, list.names + list.count);
}

}  // namespace

TEST_F(Bootstrap, VariableNamesRunFromTheRootDown) {
  ObjectRef base = findOrCreateClass("Base");
  storeWord(base, kClassInstanceVariables, symbolArray({"a", "b"}));
  storeWord(base, kClassClassVariables, symbolArray({"Shared"}));
  ObjectRef derived = findOrCreateClass("Derived");
  storeWord(derived, kClassSuperclass, base);
  storeWord(derived, kClassInstanceVariables, symbolArray({"c"}));
  EXPECT_TRUE(collectVariableNames(derived));
  EXPECT_EQ(namesIn(instanceVariableNames), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(namesIn(classVariableNames), (std::vector<std::string>{"Shared"}));
  EXPECT_TRUE(collectVariableNames(nilObj));
  EXPECT_EQ(instanceVariableNames.count, 0u);
  EXPECT_EQ(classVariableNames.count, 0u);
}

TEST_F(Bootstrap, VariableNamesRefuseOverfullListsAndSuperclassCycles) {
  ObjectRef wide = findOrCreateClass("Wide");
  ObjectRef names = newArray(kMaxVariableNames + 1);
  storeWord(wide, kClassInstanceVariables, names);
  for (uint32_t i = 0; i <= kMaxVariableNames; ++i)
    storeWord(names, i, intern(("v" + std::to_string(i)).c_str()));
  EXPECT_FALSE(collectVariableNames(wide));
  EXPECT_EQ(instanceVariableNames.count, kMaxVariableNames);

  ObjectRef loop = findOrCreateClass("Loop");
  storeWord(loop, kClassSuperclass, loop);
  EXPECT_FALSE(collectVariableNames(loop));  // returns instead of walking forever
}
