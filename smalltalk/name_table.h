// Hashed name tables: the symbol table (also the globals), method dictionaries
// and the "classes" dictionary. A table is a one-word object whose word is an
// Array of buckets (key, value, first Link); overflowing keys hang in a chain
// of Links. Tables never grow and entries are never removed.
#pragma once

#include <cstdint>

#include "smalltalk/object_ref.h"
#include "smalltalk/object_table.h"

// Decides whether a key is the one wanted; context is the caller's data.
using KeyTest = bool (*)(ObjectRef key, const void* context);

// The value of the first entry in the hash's bucket whose key is not nil and
// passes the test, or nil. When foundKey is given, the matching key is stored
// there (nil when nothing matched). A table with fewer than one bucket is fatal
// ("system error" / "lookup on null table").
ObjectRef lookup(ObjectRef table, uint32_t hash, KeyTest test, const void* context,
                 ObjectRef* foundKey = nullptr);

// Where an entry lives: the object holding its key and the key's word (the
// value is the next word).
struct TableEntry {
  ObjectRef holder = nilObj;
  uint32_t keyWord = 0;
};

// The key and value words of an entry.
inline ObjectRef entryKey(const TableEntry& entry) { return bodyOf(entry.holder)[entry.keyWord]; }
inline ObjectRef entryValue(const TableEntry& entry) {
  return bodyOf(entry.holder)[entry.keyWord + 1];
}

// The entry lookup would answer, or false when there is none.
bool lookupEntry(ObjectRef table, uint32_t hash, KeyTest test, const void* context,
                 TableEntry& entry);

// Counts every change to the entries of any table and every collection and
// fresh object table: a location remembered from a lookup is still the answer
// while the count has not moved.
extern uint32_t tableEpoch;

// Enters key with value, or replaces the value of the entry whose key is key
// (identity). A table with fewer than one bucket is fatal
// ("attempt to insert into" / "too small name table").
void insert(ObjectRef table, uint32_t hash, ObjectRef key, ObjectRef value);

// Key tests: the key's text equals the zero-terminated text (a key without a
// body never matches), and identity with a given key.
bool keyHasText(ObjectRef key, const void* text);
bool keyIsIdentical(ObjectRef key, const void* wantedKey);

// Symbol-keyed dictionaries (method dictionaries, "classes"): the hash is the
// key's table index.
inline uint32_t symbolKeyHash(ObjectRef key) { return key.Index(); }
ObjectRef dictionaryAt(ObjectRef dictionary, ObjectRef key);
void dictionaryAtPut(ObjectRef dictionary, ObjectRef key, ObjectRef value);

// Calls visit for every Link of every chain of table, bucket by bucket.
void forEachLink(ObjectRef table, void (*visit)(ObjectRef link));
