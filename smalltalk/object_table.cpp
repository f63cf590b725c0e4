#include "smalltalk/object_table.h"

#include <algorithm>
#include <cstring>

#include "smalltalk/collector.h"
#include "smalltalk/memory_counters.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/symbols.h"
#include "smalltalk/text_buffers.h"
#include "smalltalk/variable_names.h"

ObjectEntry* objTbl = nullptr;
uint32_t tableWritten = 0;

namespace {

constexpr size_t kTableBytes = sizeof(ObjectEntry) * kTableEntries;
// Entries written at a time (96 KB of the table).
constexpr uint32_t kWriteStretch = 4096;

// Entries first to end - 1 as the free entries they stand for.
void writeFreeEntries(uint32_t first, uint32_t end) {
  for (uint32_t i = first; i < end; ++i) {
    ObjectRef next = i < kLastIndex ? ObjectRef::fromIndex(i + 1) : pointerList;
    objTbl[i] = ObjectEntry{nullptr, kFreeFlag, 0, next};
  }
  tableWritten = end;
}

// Everything outside the table that holds references into it starts over.
void forgetReferencesIntoTable() {
  flushMethodCache();  // (a line would name an entry not yet written, which is not free)
  resetTextBuffers();
  resetClassCaches();
  collectVariableNames(nilObj);
}

}  // namespace

void createObjectTable() {
  if (objTbl != nullptr) destroyObjectTable();
  objTbl = static_cast<ObjectEntry*>(acquireLargeBlock(kTableBytes));
  TOLVA_CHECK(objTbl != NULL, kSourceParser);
  // Entry 0 heads the free list, which runs 1, 2, ..., kLastIndex, then 0
  // (the entries from 1 on are written as allocation reaches them).
  objTbl[0] = ObjectEntry{nullptr, 0, 0, ObjectRef::fromIndex(1)};
  tableWritten = 1;
  forgetReferencesIntoTable();
}

void destroyObjectTable() {
  if (objTbl == nullptr) return;
  for (uint32_t i = 1; i < tableWritten; ++i) {
    if (!isAvail(i) && objTbl[i].body != nullptr) releaseBody(objTbl[i].body);
  }
  releaseLargeBlock(objTbl, kTableBytes);
  objTbl = nullptr;
  tableWritten = 0;
  forgetReferencesIntoTable();
}

ObjectRef allocateEntryAfterCollecting() {
  collectGarbage(true);
  const ObjectRef ans = freeListHead();  // the check names it so
  TOLVA_CHECK(ans.Index() != 0, kSourceTolva);
  return allocateEntry();
}

ObjectRef newPointerObject(uint32_t words) {
  TOLVA_CHECK(words <= kMaxObjectBytes / sizeof(ObjectRef), kSourceTolva);
  ObjectRef obj = allocateEntry();
  giveBody(obj, words * static_cast<uint32_t>(sizeof(ObjectRef)), kPointerShift);
  entryOf(obj).flags |= kPointerFlag;
  ObjectRef* body = bodyOf(obj);
  for (uint32_t i = 0; i < words; ++i) body[i] = nilObj;
  setClass(obj, nilObj);
  return obj;
}

ObjectRef newStringObjectOfLength(const char* text, uint32_t length) {
  TOLVA_CHECK(length < kMaxObjectBytes, kSourceTolva);
  ObjectRef obj = newByteObject(length + 1);
  if (length > 0) std::memcpy(bytesOf(obj), text, length);
  return obj;  // the last byte is already zero
}

ObjectRef newStringObject(const char* text) {
  TOLVA_CHECK(text != nullptr, kSourceTolva);
  size_t length = std::strlen(text);
  TOLVA_CHECK(length < kMaxObjectBytes, kSourceTolva);
  return newStringObjectOfLength(text, static_cast<uint32_t>(length));
}

uint32_t freeEntryCount() {
  uint32_t count = kTableEntries - tableWritten;  // the unwritten ones
  for (uint32_t i = 1; i < tableWritten; ++i) count += isAvail(i) ? 1 : 0;
  return count;
}

uint32_t freeEntriesBelowHead() {
  const uint32_t head = freeListHead().Index();  // 0 when the list is empty
  const uint32_t bound = head > 2 ? head - 2 : 0;  // never past the written entries
  uint32_t count = 0;
  for (uint32_t i = 1; i < bound; ++i) count += isAvail(i) ? 1 : 0;
  return count;
}

void writeMoreEntries() {
  TOLVA_CHECK(tableWritten < kTableEntries, kSourceTolva);
  writeFreeEntries(tableWritten, std::min(tableWritten + kWriteStretch, kTableEntries));
}
