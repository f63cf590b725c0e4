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

// Globals are read by name all the time (every global in a method, every new
// Float's class), and the symbol table's chains are long. The last lookups
// are remembered by where their entry lives, valid while no table entry was
// entered and nothing was collected since (tableEpoch).
struct GlobalLine {
  uint32_t epoch = 0;
  TableEntry entry;
  ObjectRef key = nilObj;
};
constexpr uint32_t kGlobalLines = 256;
GlobalLine globalLines[kGlobalLines];

GlobalLine& globalLineOf(const char* name, uint32_t hash) {
  uint32_t h = hash;
  for (const char* p = name; *p != '\0' && p < name + 8; ++p)
    h = h * 31 + static_cast<unsigned char>(*p);
  return globalLines[h % kGlobalLines];
}

// Globals read through their Symbol (the compiler's "value" send to a
// global's name), remembered by the Symbol. A Symbol's text never changes,
// so while nothing was entered or collected its entry stays where it was.
struct SymbolLine {
  uint32_t epoch = 0;
  ObjectRef symbol = nilObj;
  TableEntry entry;
  ObjectRef key = nilObj;
};
SymbolLine symbolLines[kGlobalLines];

SymbolLine& symbolLineOf(ObjectRef symbol) { return symbolLines[symbol.Index() % kGlobalLines]; }

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
  const uint32_t hash = nameHash(name);
  GlobalLine& line = globalLineOf(name, hash);
  if (line.epoch == tableEpoch && line.key != nilObj && keyHasText(line.key, name) &&
      entryKey(line.entry) == line.key)
    return entryValue(line.entry);
  TableEntry entry;
  if (!lookupEntry(symbols, hash, keyHasText, name, entry)) return nilObj;
  line = GlobalLine{tableEpoch, entry, entryKey(entry)};
  return entryValue(entry);
}

ObjectRef globalValueOfSymbol(ObjectRef symbol, const char* text) {
  TableEntry entry;
  if (!lookupEntry(symbols, nameHash(text), keyHasText, text, entry)) return nilObj;
  symbolLineOf(symbol) = SymbolLine{tableEpoch, symbol, entry, entryKey(entry)};
  return entryValue(entry);
}

bool rememberedGlobal(ObjectRef symbol, ObjectRef& value) {
  const SymbolLine& line = symbolLineOf(symbol);
  if (line.epoch != tableEpoch || line.symbol != symbol || line.key == nilObj ||
      entryKey(line.entry) != line.key)
    return false;
  value = entryValue(line.entry);
  return true;
}

ObjectRef KnownGlobal::lookUp() {
  remembered_ = lookupEntry(symbols, nameHash(name_), keyHasText, name_, entry_);
  epoch_ = tableEpoch;
  return remembered_ ? entryValue(entry_) : nilObj;
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
  ++tableEpoch;  // a fresh table: remembered global entries are gone
}

void forEachClassCache(void (*visit)(ObjectRef cached)) {
  for (ObjectRef cached : classCache) visit(cached);
}
