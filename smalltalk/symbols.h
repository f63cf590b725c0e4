// Symbols (unique interned texts), global variables and the class caches.
// `symbols` (object 5) is the symbol table and the table of globals at once:
// every Symbol is a key there, and a global is the value entered for its Symbol.
#pragma once

#include <cstdint>

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
