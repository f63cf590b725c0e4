// The object table: one fixed array of entries, each pointing at a separately
// allocated body. References index it; an entry never moves.
//
// Free entries form a list through their class words, headed by entry 0 and
// kept in ascending index order, so allocation always takes the lowest free index.
//
// The table is written as allocation reaches it: the entries from
// tableWritten on have never been used, and stand for free entries that
// link each to the next and the last to 0 (pointerList). A script that never
// fills the table never touches most of its 12 MB (which the system would
// have to clear page by page at start-up). Whatever walks the table stops at
// tableWritten; whatever follows the free list takes the next entry from
// nextFree.
#pragma once

#include <cstdint>

#include "smalltalk/fatal.h"
#include "smalltalk/memory_counters.h"
#include "smalltalk/object_ref.h"

// Table geometry.
inline constexpr uint32_t kTableEntries = 524281;               // indices 0 .. 524,280
inline constexpr uint32_t kLastIndex = kTableEntries - 1;
// Largest body a single object may have; primitives check against it before
// asking for an object so that a script's huge request fails instead of stopping.
inline constexpr uint32_t kMaxObjectBytes = 0x3FFFFFFFu;

// Flag bits of an entry.
inline constexpr uint32_t kSizeShiftMask = 0x07;  // body words = size >> shift
inline constexpr uint32_t kPointerFlag = 0x08;    // body holds ObjectRefs; traced
inline constexpr uint32_t kMarkFlag = 0x10;       // reached by the running collection
inline constexpr uint32_t kFreshFlag = 0x20;      // held from outside the heap
inline constexpr uint32_t kFreeFlag = 0x40;       // on the free list (isAvail)
inline constexpr uint32_t kLowFlagBits = 0x3F;    // bits 0-5, cleared when freed
inline constexpr uint32_t kPointerShift = 2;      // pointer objects: 4 bytes a word
inline constexpr uint32_t kByteShift = 0;

struct ObjectEntry {
  void* body;        // null when size is 0
  uint32_t flags;
  uint32_t size;     // byte size of the body
  ObjectRef cls;     // class; next free entry when free; free-list head in entry 0
};

// The one table of the process; null until createObjectTable.
extern ObjectEntry* objTbl;
// The first entry not yet written (see above); kTableEntries once all are.
extern uint32_t tableWritten;

// Creates the table with every usable entry free and the free list ascending.
// An existing table is released first with every body in it (tests start
// each case from a fresh world this way). Also empties the text buffers,
// the class caches and the compiler's name lists, which point into the table.
void createObjectTable();
// Releases the table and all bodies (counted); objTbl becomes null.
void destroyObjectTable();

// Takes the lowest free entry (collecting with fresh roots when none is left);
// its flags become exactly the fresh flag.
inline ObjectRef allocateEntry();
// allocateEntry when the free list is empty: collects first.
ObjectRef allocateEntryAfterCollecting();
// A pointer object of n words, all nil; fresh, class nil.
ObjectRef newPointerObject(uint32_t words);
// A byte object of n zero bytes; fresh, class nil.
inline ObjectRef newByteObject(uint32_t bytes);
// A string object: the text and its terminating zero (size = length + 1).
ObjectRef newStringObject(const char* text);
// The same for a counted text (which need not be zero-terminated).
ObjectRef newStringObjectOfLength(const char* text, uint32_t length);

// Number of free entries.
uint32_t freeEntryCount();
// Number of free entries below the free-list head's index minus two (primitive
// 42, code 99): the holes that releasing fresh objects left behind the head.
uint32_t freeEntriesBelowHead();

// Writes the next stretch of unwritten entries as the free entries they stand for.
void writeMoreEntries();

// ---- small inline helpers -------------------------------------------------

inline ObjectEntry& entryOf(ObjectRef obj) { return objTbl[obj.Index()]; }
inline ObjectRef* bodyOf(ObjectRef obj) { return static_cast<ObjectRef*>(entryOf(obj).body); }
inline uint8_t* bytesOf(ObjectRef obj) { return static_cast<uint8_t*>(entryOf(obj).body); }
inline char* charsOf(ObjectRef obj) { return static_cast<char*>(entryOf(obj).body); }
inline uint32_t byteSize(ObjectRef obj) { return entryOf(obj).size; }
inline uint32_t wordCount(ObjectRef obj) {
  const ObjectEntry& e = entryOf(obj);
  return e.size >> (e.flags & kSizeShiftMask);
}
inline bool isPointerObject(ObjectRef obj) { return (entryOf(obj).flags & kPointerFlag) != 0; }
inline bool isAvail(uint32_t index) { return (objTbl[index].flags & kFreeFlag) != 0; }
inline bool isFresh(ObjectRef obj) { return (entryOf(obj).flags & kFreshFlag) != 0; }
// True for a reference to an object in use (not a small integer, not entry 0,
// inside the written table, not free): the test for words a script may have written.
inline bool isObject(ObjectRef ref) {
  return !ref.isValue() && ref.Index() != 0 && ref.Index() < tableWritten &&
         !isAvail(ref.Index());
}
// The class word of an object (not of a small integer: see the interpreter's
// classOfReceiver for that).
inline ObjectRef classOf(ObjectRef obj) { return entryOf(obj).cls; }
// The head of the free list (0 when the list is empty).
inline ObjectRef freeListHead() { return objTbl[0].cls; }
// The free entry after `at` on the free list (pointerList after the last).
inline ObjectRef nextFree(ObjectRef at) {
  if (at.Index() < tableWritten) return objTbl[at.Index()].cls;
  return at.Index() < kLastIndex ? ObjectRef::fromIndex(at.Index() + 1) : pointerList;
}

// Store rule: a reference written into a body or class word is no longer fresh.
inline void storeBarrier(ObjectRef value) {
  if (!value.isValue()) objTbl[value.Index()].flags &= ~kFreshFlag;
}
inline void clearFresh(ObjectRef obj) { storeBarrier(obj); }

// Writes word i of a pointer object under the store rule; i must be inside the body.
inline void storeWord(ObjectRef obj, uint32_t i, ObjectRef value) {
  TOLVA_CHECK(isPointerObject(obj) && i < wordCount(obj), kSourceTolva);
  storeBarrier(value);
  bodyOf(obj)[i] = value;
}
// Reads word i of a pointer object; i must be inside the body.
inline ObjectRef wordAt(ObjectRef obj, uint32_t i) {
  TOLVA_CHECK(isPointerObject(obj) && i < wordCount(obj), kSourceTolva);
  return bodyOf(obj)[i];
}

// Sets the class word under the store rule.
inline void setClass(ObjectRef obj, ObjectRef cls) {
  storeBarrier(cls);
  entryOf(obj).cls = cls;
}

// ---- allocation, in line: Floats and other small results are made at the
// rate of the arithmetic that answers them ---------------------------------

inline ObjectRef allocateEntry() {
  const ObjectRef head = freeListHead();
  if (head.Index() == 0) [[unlikely]]
    return allocateEntryAfterCollecting();
  if (head.Index() >= tableWritten) [[unlikely]]
    writeMoreEntries();
  ObjectEntry& e = entryOf(head);
  objTbl[0].cls = e.cls;
  e = ObjectEntry{nullptr, kFreshFlag, 0, nilObj};
  return head;
}

// A body of `bytes` bytes (words of `shift`) for an entry just taken from the free list.
inline void giveBody(ObjectRef obj, uint32_t bytes, uint32_t shift) {
  ObjectEntry& e = entryOf(obj);
  e.flags |= shift;
  e.size = bytes;
  if (bytes == 0) return;
  void* body = acquireBlock(bytes);
  TOLVA_CHECK(body != NULL, kSourceParser);
  e.body = body;
}

inline ObjectRef newByteObject(uint32_t bytes) {
  TOLVA_CHECK(bytes <= kMaxObjectBytes, kSourceTolva);
  ObjectRef obj = allocateEntry();
  giveBody(obj, bytes, kByteShift);
  return obj;
}
