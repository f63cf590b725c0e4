// Object primitives: the table walk, class, size and identity, element access,
// new objects, block copy, collection and the release of fresh objects.
#include <algorithm>

#include "smalltalk/class_layout.h"
#include "smalltalk/collector.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/memory_counters.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/symbols.h"

namespace {

// Codes of the table walk (primitive 2).
constexpr int32_t kWalkCountFree = 0;
constexpr int32_t kWalkStart = 1;
constexpr int32_t kWalkNext = 2;

// Next index the walk looks at, going down.
uint32_t walkPosition = kLastIndex;

ObjectRef walkNext() {
  // Entries past the written ones are free.
  uint32_t index = std::min(walkPosition, tableWritten - 1);
  for (; index > 0; --index) {
    const ObjectEntry& e = objTbl[index];
    if ((e.flags & kFreeFlag) == 0 && e.size != 0 && e.cls != nilObj) {
      walkPosition = index - 1;
      return ObjectRef::fromIndex(index);
    }
  }
  walkPosition = 0;
  return nilObj;
}

// Follows the free list from its head; the bound stops a damaged list.
uint32_t freeListLength() {
  uint32_t count = 0;
  for (ObjectRef at = freeListHead(); at != pointerList && count <= kLastIndex;
       at = nextFree(at)) {
    if (at.isValue() || at.Index() > kLastIndex) break;
    ++count;
  }
  return count;
}

// Words of a Block that block copy takes over from the compiler's literal.
constexpr uint32_t kBlockFirstCopied = 1;
constexpr uint32_t kBlockLastCopied = 3;

}  // namespace

ObjectRef primObjectWalk(ObjectRef* args) {
  std::optional<int32_t> code = intArg(args[0]);
  if (!code) return nilObj;
  switch (*code) {
    case kWalkCountFree: return intResult(freeListLength());
    case kWalkStart: walkPosition = kLastIndex; return walkNext();
    case kWalkNext: return walkNext();
    default: return nilObj;
  }
}

ObjectRef primClassOf(ObjectRef* args) {
  if (args[0].isValue()) return integerClass();
  return isLiveObject(args[0]) ? classOf(args[0]) : nilObj;
}

ObjectRef primBasicSize(ObjectRef* args) {
  if (args[0].isValue()) return smallInt(0);
  return isLiveObject(args[0]) ? intResult(wordCount(args[0])) : nilObj;
}

ObjectRef primIdentityNumber(ObjectRef* args) {
  if (args[0].isValue()) return args[0];
  return smallInt(static_cast<int32_t>(args[0].Index()));
}

ObjectRef primIdentical(ObjectRef* args) { return booleanObj(args[0] == args[1]); }

ObjectRef primSetClass(ObjectRef* args) {
  if (!isLiveObject(args[0]) || !isLiveObject(args[1])) return nilObj;
  setClass(args[0], args[1]);
  return args[0];
}

ObjectRef primBasicAt(ObjectRef* args) { return basicAtOrNil(args[0], args[1]); }

ObjectRef primBasicAtPut(ObjectRef* args) {
  return basicAtPutInside(args[0], args[1], args[2]) ? args[0] : nilObj;
}

ObjectRef primNewPointerObject(ObjectRef* args) {
  std::optional<int32_t> n = intArg(args[0]);
  if (!n || *n < 0 || static_cast<uint64_t>(*n) * sizeof(ObjectRef) > kMaxObjectBytes)
    return nilObj;
  return newPointerObject(static_cast<uint32_t>(*n));
}

ObjectRef primNewByteObject(ObjectRef* args) {
  std::optional<int32_t> n = intArg(args[0]);
  if (!n || *n < 0 || static_cast<uint64_t>(*n) > kMaxObjectBytes) return nilObj;
  return newByteObject(static_cast<uint32_t>(*n));
}

ObjectRef primBlockCopy(ObjectRef* args) {
  ObjectRef literal = args[0];
  if (!isLivePointerObject(literal) || wordCount(literal) <= kBlockLastCopied) return nilObj;
  ObjectRef block = newBlock();
  storeWord(block, kBlockContext, args[1]);
  for (uint32_t i = kBlockFirstCopied; i <= kBlockLastCopied; ++i)
    storeWord(block, i, wordAt(literal, i));
  return block;
}

ObjectRef primCollectGarbage(ObjectRef* args) {
  if (args[0] != trueObj && args[0] != falseObj) return nilObj;
  collectGarbage(args[0] == trueObj);
  return args[0];
}

// Releases fresh objects below the free-list head that nothing in the system
// holds: everything reachable from `symbols` or the registered roots (the
// interpreter's processes and stacks, the text buffers, the class caches, the
// method being compiled) is marked first and skipped. Entry 0 is never touched.
ObjectRef primReleaseFresh(ObjectRef*) {
  constexpr uint32_t kHeadMargin = 2;
  uint32_t head = freeListHead().Index();
  uint32_t bound = head > kHeadMargin ? head - kHeadMargin : 0;
  markHeldObjects();
  for (uint32_t index = 1; index < bound; ++index) {
    ObjectEntry& e = objTbl[index];
    if ((e.flags & kFreeFlag) != 0) break;
    if ((e.flags & kFreshFlag) == 0 || (e.flags & kMarkFlag) != 0) continue;
    if (e.size != 0) releaseBody(e.body);
    e.body = nullptr;
    e.size = 0;
    e.flags = kFreeFlag;
    e.cls = freeListHead();
    objTbl[0].cls = ObjectRef::fromIndex(index);
  }
  clearAllMarks();
  flushMethodCache();  // a line naming a freed Method would stop the next send
  return nilObj;
}
