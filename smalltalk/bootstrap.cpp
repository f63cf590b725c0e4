#include "smalltalk/bootstrap.h"

#include <cstring>

#include "smalltalk/class_layout.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/dir_listing.h"
#include "smalltalk/interpreter.h"
#include "smalltalk/memory_counters.h"
#include "smalltalk/name_table.h"
#include "smalltalk/object_table.h"
#include "smalltalk/symbols.h"

namespace {

constexpr const char* kVersionText = "0.3";

// The fixed first objects, in creation order.
struct FixedObject {
  ObjectRef ref;
  uint32_t words;
  const char* check;  // the condition an internal error names
};
constexpr FixedObject kFixedObjects[] = {
    {nilObj, 0, "nilObj.Index() == 1"},
    {trueObj, 0, "trueObj.Index() == 2"},
    {falseObj, 0, "falseObj.Index() == 3"},
    {hashTable, kSymbolTableArrayWords, "hashTable.Index() == 4"},
    {symbols, kTableWords, "symbols.Index() == 5"},
};

// The globals whose values the interpreter relies on by identity.
struct FixedGlobal {
  const char* name;
  ObjectRef ref;
  const char* check;
};
constexpr FixedGlobal kFixedGlobals[] = {
    {"nil", nilObj, "globalValue(\"nil\") == nilObj"},
    {"true", trueObj, "globalValue(\"true\") == trueObj"},
    {"false", falseObj, "globalValue(\"false\") == falseObj"},
    {"symbols", symbols, "globalValue(\"symbols\") == symbols"},
};

// Classes without a special role in the bootstrap (step 12).
constexpr const char* kPlainCoreClasses[] = {"Block", "ByteArray", "Char",  "Context",
                                             "Dictionary", "Float", "Method", "String"};

void createFixedObjects() {
  for (const FixedObject& fixed : kFixedObjects) {
    if (newPointerObject(fixed.words) != fixed.ref) internalError(fixed.check, kSourceParser);
  }
  storeWord(symbols, kTableArray, hashTable);
}

ObjectRef metaclassOf(ObjectRef cls) { return classOf(cls); }

// Links made before the class Link existed have no class.
ObjectRef linkClassForRepair = {0};
void giveLinkClass(ObjectRef link) {
  if (classOf(link) == nilObj) setClass(link, linkClassForRepair);
  if (classOf(link) != linkClassForRepair) internalError("classOf(link) == linkClass", kSourceParser);
}

void makeClassOf(ObjectRef obj, const char* className, const char* globalName) {
  setClass(obj, newClass(className));
  if (globalName != nullptr) setGlobal(globalName, obj);
}

}  // namespace

ObjectRef newClass(const char* name) {
  // The metaclass's name in a counted block: class names have no length limit.
  size_t length = std::strlen(name);
  size_t suffixBytes = std::strlen(kMetaSuffix) + 1;
  char* metaName = static_cast<char*>(acquireBlock(length + suffixBytes));
  TOLVA_CHECK(metaName != NULL, kSourceParser);
  std::memcpy(metaName, name, length);
  std::memcpy(metaName + length, kMetaSuffix, suffixBytes);

  ObjectRef meta = newPointerObject(kClassWords);
  setClass(meta, globalValue("Metaclass"));
  storeWord(meta, kClassInstanceSize, smallInt(kMetaclassInstanceSize));
  ObjectRef cls = newPointerObject(kClassWords);  // meta is fresh and survives
  setClass(cls, meta);
  storeWord(meta, kClassName, intern(metaName));
  storeWord(cls, kClassName, intern(name));
  setGlobal(metaName, meta);
  setGlobal(name, cls);
  releaseBlock(metaName);
  return cls;
}

ObjectRef findOrCreateClass(const char* name) {
  ObjectRef cls = globalValue(name);
  // A name bound to something that is not a class gets a class of its own,
  // as a class definition would replace any other global of that name.
  bool isClass = isObject(cls) && isPointerObject(cls) && wordCount(cls) >= kClassWords;
  if (!isClass) cls = newClass(name);
  if (wordAt(cls, kClassInstanceSize) == nilObj) storeWord(cls, kClassInstanceSize, smallInt(0));
  return cls;
}

void bootstrapObjectWorld() {
  createObjectTable();
  createFixedObjects();

  intern("Symbol");
  ObjectRef symbolCls = newClass("Symbol");
  setClass(findSymbol("Symbol"), symbolCls);
  setClass(findSymbol("SymbolMeta"), symbolCls);

  ObjectRef metaclassCls = newClass("Metaclass");
  setClass(metaclassOf(symbolCls), metaclassCls);
  setClass(metaclassOf(metaclassCls), metaclassCls);

  makeClassOf(nilObj, "UndefinedObject", "nil");
  makeClassOf(trueObj, "True", "true");
  makeClassOf(falseObj, "False", "false");

  linkClassForRepair = newClass("Link");
  forEachLink(symbols, giveLinkClass);

  makeClassOf(hashTable, "Array", nullptr);
  makeClassOf(symbols, "SymbolTable", "symbols");

  ObjectRef objectCls = newClass("Object");
  ObjectRef classCls = newClass("Class");
  storeWord(metaclassOf(objectCls), kClassSuperclass, classCls);

  for (const char* name : kPlainCoreClasses) newClass(name);

  ObjectRef version = newString(kVersionText);  // fresh until entered
  setGlobal("version", version);
}

void setUpInterpreter() {
  for (const FixedGlobal& fixed : kFixedGlobals) {
    if (globalValue(fixed.name) != fixed.ref) internalError(fixed.check, kSourceTolva);
  }
  setUpSpecialSelectors();
  clearListingTable();
}
