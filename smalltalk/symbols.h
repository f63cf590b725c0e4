// Symbols (unique interned texts), global variables and the class caches.
// `symbols` (object 5) is the symbol table and the table of globals at once:
// every Symbol is a key there, and a global is the value entered for its Symbol.
#pragma once

#include <cstdint>

#include "smalltalk/name_table.h"
#include "smalltalk/object_table.h"
#include "smalltalk/object_ref.h"

// The sum of the text's bytes as signed 8-bit values, made non-negative,
// shifted right by two when above 16,384.
uint32_t nameHash(const char* text);
inline constexpr uint32_t kNameHashLimit = 16384;

// The Symbol whose text is text, or nil.
ObjectRef findSymbol(const char* text);
// The Symbol for text, created (with global value nil) when new.
ObjectRef intern(const char* text);
// The global named name, or nil.
ObjectRef globalValue(const char* name);
// The global named by Symbol symbol (whose text is text), or nil. Its entry
// is remembered by the Symbol, which names it without its text being read
// again: see rememberedGlobal.
ObjectRef globalValueOfSymbol(ObjectRef symbol, const char* text);
// The global of a Symbol read before by globalValueOfSymbol, while no table
// entry was entered and nothing was collected since; false otherwise.
bool rememberedGlobal(ObjectRef symbol, ObjectRef& value);
// A global that one place of the system reads over and over (a class the
// object constructors and primitives need): its entry is remembered while no
// table entry was entered and nothing was collected. Construct once, as a
// static, with a name that lives as long.
class KnownGlobal {
 public:
  explicit constexpr KnownGlobal(const char* name) : name_(name) {}
  ObjectRef value() {
    if (remembered_ && epoch_ == tableEpoch) [[likely]]
      return entryValue(entry_);
    return lookUp();
  }

 private:
  ObjectRef lookUp();

  const char* name_;
  bool remembered_ = false;
  uint32_t epoch_ = 0;
  TableEntry entry_;
};
// Enters or replaces the global named name.
void setGlobal(const char* name, ObjectRef value);

// Class caches: fetched with globalValue on first use and kept; a cache that
// still holds nil is looked up again next time. The collector keeps them alive.
ObjectRef arrayClass();
ObjectRef integerClass();  // the class of every small integer
ObjectRef stringClass();
ObjectRef symbolClass();
// Forgets the four caches (a fresh object table).
void resetClassCaches();
// Calls visit with each cached class (the collector keeps them).
void forEachClassCache(void (*visit)(ObjectRef cached));
