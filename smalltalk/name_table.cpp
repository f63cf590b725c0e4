#include "smalltalk/name_table.h"

#include <cstring>

#include "smalltalk/class_layout.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/object_table.h"

namespace {

// The bucket array of a table and its word count; 0 words when the table has
// no usable array (the callers then stop with their own message).
struct BucketArray {
  ObjectRef array;
  uint32_t words;
};

bool isPointerObjectOfAtLeast(ObjectRef ref, uint32_t words) {
  return isObject(ref) && isPointerObject(ref) && wordCount(ref) >= words;
}

BucketArray bucketsOf(ObjectRef table) {
  if (!isPointerObjectOfAtLeast(table, kTableWords)) return {nilObj, 0};
  ObjectRef array = bodyOf(table)[kTableArray];
  if (!isPointerObjectOfAtLeast(array, 0)) return {nilObj, 0};
  return {array, wordCount(array)};
}

// First word of the hash's bucket; hash and size are unsigned, so every hash
// lands inside the table.
uint32_t bucketBase(uint32_t hash, uint32_t words) {
  return (hash % (words / kBucketWords)) * kBucketWords;
}

// The next Link of a chain, or nil; a word that is not a Link ends the chain.
ObjectRef asLink(ObjectRef ref) {
  return isPointerObjectOfAtLeast(ref, kLinkWords) ? ref : nilObj;
}

bool matches(ObjectRef key, KeyTest test, const void* context) {
  return key != nilObj && test(key, context);
}

}  // namespace

namespace {

ObjectRef found(ObjectRef key, ObjectRef value, ObjectRef* foundKey) {
  if (foundKey != nullptr) *foundKey = key;
  return value;
}

}  // namespace

uint32_t tableEpoch = 0;

bool lookupEntry(ObjectRef table, uint32_t hash, KeyTest test, const void* context,
                 TableEntry& entry) {
  BucketArray buckets = bucketsOf(table);
  if (buckets.words < kBucketWords) fatal("system error", "lookup on null table");
  const uint32_t base = bucketBase(hash, buckets.words);
  if (matches(bodyOf(buckets.array)[base + kBucketKey], test, context)) {
    entry = TableEntry{buckets.array, base + kBucketKey};
    return true;
  }
  // A chain cannot hold more Links than the table has entries; a longer walk
  // means a script has tied the chain into a loop.
  ObjectRef link = asLink(bodyOf(buckets.array)[base + kBucketLink]);
  for (uint32_t steps = 0; link != nilObj && steps <= kTableEntries; ++steps) {
    const ObjectRef* words = bodyOf(link);
    if (matches(words[kLinkKey], test, context)) {
      entry = TableEntry{link, kLinkKey};
      return true;
    }
    link = asLink(words[kLinkNext]);
  }
  return false;
}

ObjectRef lookup(ObjectRef table, uint32_t hash, KeyTest test, const void* context,
                 ObjectRef* foundKey) {
  TableEntry entry;
  if (!lookupEntry(table, hash, test, context, entry)) return found(nilObj, nilObj, foundKey);
  return found(entryKey(entry), entryValue(entry), foundKey);
}

void insert(ObjectRef table, uint32_t hash, ObjectRef key, ObjectRef value) {
  ++tableEpoch;
  BucketArray buckets = bucketsOf(table);
  if (buckets.words < kBucketWords) fatal("attempt to insert into", "too small name table");
  uint32_t base = bucketBase(hash, buckets.words);
  ObjectRef headKey = wordAt(buckets.array, base + kBucketKey);
  if (headKey == nilObj || headKey == key) {
    storeWord(buckets.array, base + kBucketKey, key);
    storeWord(buckets.array, base + kBucketValue, value);
    return;
  }
  ObjectRef fresh = newLink(key, value);  // may collect: refetch words below
  ObjectRef link = asLink(wordAt(buckets.array, base + kBucketLink));
  if (link == nilObj) {
    storeWord(buckets.array, base + kBucketLink, fresh);
    return;
  }
  for (uint32_t steps = 0; steps <= kTableEntries; ++steps) {
    if (wordAt(link, kLinkKey) == key) {
      storeWord(link, kLinkValue, value);
      clearFresh(fresh);  // entered nowhere: left to the collector
      return;
    }
    ObjectRef next = asLink(wordAt(link, kLinkNext));
    if (next == nilObj) {
      storeWord(link, kLinkNext, fresh);
      return;
    }
    link = next;
  }
  fatal("attempt to insert into", "looping name table chain");
}

bool keyHasText(ObjectRef key, const void* text) {
  if (!isObject(key) || isPointerObject(key) || byteSize(key) == 0) return false;
  const char* wanted = static_cast<const char*>(text);
  size_t bytes = std::strlen(wanted) + 1;  // the terminating zero must match too
  return byteSize(key) >= bytes && std::memcmp(bytesOf(key), wanted, bytes) == 0;
}

bool keyIsIdentical(ObjectRef key, const void* wantedKey) {
  return key == *static_cast<const ObjectRef*>(wantedKey);
}

ObjectRef dictionaryAt(ObjectRef dictionary, ObjectRef key) {
  return lookup(dictionary, symbolKeyHash(key), keyIsIdentical, &key);
}

void dictionaryAtPut(ObjectRef dictionary, ObjectRef key, ObjectRef value) {
  insert(dictionary, symbolKeyHash(key), key, value);
}

void forEachLink(ObjectRef table, void (*visit)(ObjectRef link)) {
  BucketArray buckets = bucketsOf(table);
  for (uint32_t base = 0; base + kBucketWords <= buckets.words; base += kBucketWords) {
    ObjectRef link = asLink(bodyOf(buckets.array)[base + kBucketLink]);
    for (uint32_t steps = 0; link != nilObj && steps <= kTableEntries; ++steps) {
      visit(link);
      link = asLink(bodyOf(link)[kLinkNext]);
    }
  }
}
