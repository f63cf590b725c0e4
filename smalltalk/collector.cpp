#include "smalltalk/collector.h"

#include "smalltalk/memory_counters.h"
#include "smalltalk/name_table.h"
#include "smalltalk/object_table.h"
#include "smalltalk/symbols.h"
#include "smalltalk/text_buffers.h"

namespace {

ObjectRef* rootSlots[kMaxRootSlots];
uint32_t rootSlotCount = 0;
RootEnumerator rootEnumerators[kMaxRootEnumerators];
uint32_t rootEnumeratorCount = 0;
CollectionObserver collectionObservers[kMaxCollectionObservers];
uint32_t collectionObserverCount = 0;

// The explicit mark stack: every index is pushed at most once (it is marked
// when pushed), so one word per table entry always suffices. It lives as long
// as the program: when every collection took its 2 MB from the allocator and
// gave them back, the system cleared fresh pages for it each time.
uint32_t markStack[kTableEntries];
uint32_t markDepth = 0;

void markRef(ObjectRef ref) {
  if (ref.isValue() || ref.Index() == 0) return;  // entry 0 is never an object
  TOLVA_CHECK(ref.Index() <= kLastIndex, kSourceTolva);
  ObjectEntry& e = entryOf(ref);
  if ((e.flags & (kMarkFlag | kFreeFlag)) != 0) return;
  e.flags |= kMarkFlag;
  markStack[markDepth++] = ref.Index();
}

// Traces everything reachable from the objects marked so far.
void drainMarkStack() {
  while (markDepth > 0) {
    const ObjectEntry& e = objTbl[markStack[--markDepth]];
    markRef(e.cls);
    if ((e.flags & kPointerFlag) == 0) continue;
    const ObjectRef* body = static_cast<const ObjectRef*>(e.body);
    for (uint32_t i = e.size >> kPointerShift; i > 0; --i) markRef(body[i - 1]);
  }
}

// What the system holds from outside the heap, whatever the fresh flags say.
void markSystemRoots() {
  markRef(symbols);
  markRef(chunkBuffer.ref);
  markRef(logBuffer.ref);
  forEachClassCache(markRef);
  for (uint32_t i = 0; i < rootSlotCount; ++i) markRef(*rootSlots[i]);
  for (uint32_t i = 0; i < rootEnumeratorCount; ++i) rootEnumerators[i](markRef);
  drainMarkStack();
}

void markFreshObjects() {
  for (uint32_t i = 1; i < tableWritten; ++i) {
    if ((objTbl[i].flags & kFreshFlag) == 0) continue;
    markRef(ObjectRef::fromIndex(i));
    drainMarkStack();
  }
}

void beginMarking() { markDepth = 0; }

// Downwards, pushing on the head: the rebuilt free list ascends, and goes on
// into the entries not yet written.
void sweep(bool keepFresh) {
  objTbl[0].flags &= ~kFreshFlag;
  ObjectRef head =
      tableWritten < kTableEntries ? ObjectRef::fromIndex(tableWritten) : pointerList;
  for (uint32_t i = tableWritten - 1; i >= 1; --i) {
    ObjectEntry& e = objTbl[i];
    if ((e.flags & kMarkFlag) != 0) {
      e.flags &= keepFresh ? ~kMarkFlag : ~(kMarkFlag | kFreshFlag);
      continue;
    }
    if ((e.flags & kFreeFlag) == 0 && e.size != 0) releaseBody(e.body);
    e = ObjectEntry{nullptr, (e.flags & ~kLowFlagBits) | kFreeFlag, 0, head};
    head = ObjectRef::fromIndex(i);
  }
  objTbl[0].cls = head;
}

template <typename T, uint32_t N>
void addTo(T (&list)[N], uint32_t& count, T item) {
  TOLVA_CHECK(count < N, kSourceTolva);
  list[count++] = item;
}

// Removes the most recent occurrence of item, keeping the order of the rest.
template <typename T, uint32_t N>
void removeFrom(T (&list)[N], uint32_t& count, T item) {
  for (uint32_t i = count; i > 0; --i) {
    if (list[i - 1] != item) continue;
    for (uint32_t j = i; j < count; ++j) list[j - 1] = list[j];
    --count;
    return;
  }
}

}  // namespace

void collectGarbage(bool keepFresh) {
  beginMarking();
  markSystemRoots();
  if (keepFresh) markFreshObjects();
  sweep(keepFresh);
  ++tableEpoch;  // remembered table locations may name freed objects
  for (uint32_t i = 0; i < collectionObserverCount; ++i) collectionObservers[i]();
}

void markHeldObjects() {
  beginMarking();
  markSystemRoots();
}

void clearAllMarks() {
  for (uint32_t i = 0; i < tableWritten; ++i) objTbl[i].flags &= ~kMarkFlag;
}

void registerRootSlot(ObjectRef* slot) { addTo(rootSlots, rootSlotCount, slot); }
void unregisterRootSlot(ObjectRef* slot) { removeFrom(rootSlots, rootSlotCount, slot); }

void registerRootEnumerator(RootEnumerator enumerator) {
  addTo(rootEnumerators, rootEnumeratorCount, enumerator);
}
void unregisterRootEnumerator(RootEnumerator enumerator) {
  removeFrom(rootEnumerators, rootEnumeratorCount, enumerator);
}

void registerCollectionObserver(CollectionObserver observer) {
  addTo(collectionObservers, collectionObserverCount, observer);
}
void unregisterCollectionObserver(CollectionObserver observer) {
  removeFrom(collectionObservers, collectionObserverCount, observer);
}
