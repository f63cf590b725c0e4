#include "smalltalk/core_objects.h"

#include <cstring>

#include "smalltalk/class_layout.h"
#include "smalltalk/object_table.h"
#include "smalltalk/symbols.h"

namespace {

// The class is looked up after the object exists: the allocation may collect,
// and the class is held by the globals anyway.
ObjectRef withClass(ObjectRef obj, ObjectRef cls) {
  setClass(obj, cls);
  return obj;
}

// The classes of the objects made here.
KnownGlobal knownBlock("Block");
KnownGlobal knownByteArray("ByteArray");
KnownGlobal knownChar("Char");
KnownGlobal knownContext("Context");
KnownGlobal knownDictionary("Dictionary");
KnownGlobal knownLink("Link");
KnownGlobal knownMethod("Method");

ObjectRef withClassNamed(ObjectRef obj, KnownGlobal& cls) {
  return withClass(obj, cls.value());
}

}  // namespace

KnownGlobal floatGlobal("Float");

ObjectRef newArray(uint32_t words) { return withClass(newPointerObject(words), arrayClass()); }

ObjectRef newBlock() { return withClassNamed(newPointerObject(kBlockWords), knownBlock); }

ObjectRef newByteArray(uint32_t bytes) {
  return withClassNamed(newByteObject(bytes), knownByteArray);
}

ObjectRef newChar(int32_t code) {
  ObjectRef ch = withClassNamed(newPointerObject(kCharWords), knownChar);
  storeWord(ch, kCharCode, smallInt(code));
  return ch;
}

ObjectRef newContext(ObjectRef method, ObjectRef arguments, ObjectRef temporaries,
                     int32_t linkPosition) {
  ObjectRef context = withClassNamed(newPointerObject(kContextWords), knownContext);
  storeWord(context, kContextLink, smallInt(linkPosition));
  storeWord(context, kContextMethod, method);
  storeWord(context, kContextArguments, arguments);
  storeWord(context, kContextTemporaries, temporaries);
  return context;
}

ObjectRef newDictionary() {
  ObjectRef dictionary = withClassNamed(newPointerObject(kTableWords), knownDictionary);
  ObjectRef buckets = newArray(kDictionaryArrayWords);  // the fresh dictionary survives this
  storeWord(dictionary, kTableArray, buckets);
  return dictionary;
}

ObjectRef newFloat(double value) { return newFloatOfClass(value, floatClass()); }

ObjectRef newLink(ObjectRef key, ObjectRef value) {
  ObjectRef link = withClassNamed(newPointerObject(kLinkWords), knownLink);
  storeWord(link, kLinkKey, key);
  storeWord(link, kLinkValue, value);
  return link;
}

ObjectRef newMethod() { return withClassNamed(newPointerObject(kMethodWords), knownMethod); }

ObjectRef newString(const char* text) {
  if (text == nullptr) return nilObj;
  return withClass(newStringObject(text), stringClass());
}

ObjectRef newSymbol(const char* text) { return intern(text); }
