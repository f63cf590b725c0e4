#include "smalltalk/symbols.h"

#include <cstdlib>

#include "smalltalk/name_table.h"
#include "smalltalk/object_table.h"

namespace {

// The four cached classes, by name.
enum CachedClass { kArrayCache, kIntegerCache, kStringCache, kSymbolCache, kCacheCount };
constexpr const char* kCachedClassNames[kCacheCount] = {"Array", "Integer", "String", "Symbol"};
ObjectRef classCache[kCacheCount] = {nilObj, nilObj, nilObj, nilObj};

ObjectRef cachedClass(CachedClass which) {
  if (classCache[which] == nilObj) classCache[which] = globalValue(kCachedClassNames[which]);
  return classCache[which];
}

constexpr uint32_t kLongNameShift = 2;

}  // namespace

uint32_t nameHash(const char* text) {
  int64_t sum = 0;  // wide enough for any text the system can hold
  for (const char* p = text; *p != '\0'; ++p) sum += static_cast<signed char>(*p);
  int64_t hash = std::llabs(sum);
  if (hash > kNameHashLimit) hash >>= kLongNameShift;
  return static_cast<uint32_t>(hash);
}

ObjectRef findSymbol(const char* text) {
  ObjectRef key = nilObj;
  lookup(symbols, nameHash(text), keyHasText, text, &key);
  return key;
}

ObjectRef intern(const char* text) {
  ObjectRef symbol = findSymbol(text);
  if (symbol != nilObj) return symbol;
  symbol = newStringObject(text);
  setClass(symbol, symbolClass());
  insert(symbols, nameHash(text), symbol, nilObj);
  return symbol;
}

ObjectRef globalValue(const char* name) {
  return lookup(symbols, nameHash(name), keyHasText, name);
}

void setGlobal(const char* name, ObjectRef value) {
  ObjectRef key = intern(name);
  insert(symbols, nameHash(name), key, value);
}

ObjectRef arrayClass() { return cachedClass(kArrayCache); }
ObjectRef integerClass() { return cachedClass(kIntegerCache); }
ObjectRef stringClass() { return cachedClass(kStringCache); }
ObjectRef symbolClass() { return cachedClass(kSymbolCache); }

void resetClassCaches() {
  for (ObjectRef& cached : classCache) cached = nilObj;
}

void forEachClassCache(void (*visit)(ObjectRef cached)) {
  for (ObjectRef cached : classCache) visit(cached);
}
