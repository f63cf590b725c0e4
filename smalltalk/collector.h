// The mark-and-sweep collector and the roots it keeps alive.
//
// A collection keeps everything reachable from `symbols`, everything held by the
// system's own variables (the registered roots below: the interpreter's
// registers and processes, the compiler's method, the text buffers, the class
// caches), and, when keepFresh is true, every fresh object. Everything else is
// released and its entry goes back on the free list.
#pragma once

#include <cstdint>

#include "smalltalk/object_ref.h"

void collectGarbage(bool keepFresh);

// ---- roots held by code outside the heap -----------------------------------
// A root slot is the address of a variable holding an ObjectRef; the value in
// the slot at collection time is kept (small integers are ignored).
inline constexpr uint32_t kMaxRootSlots = 1024;
void registerRootSlot(ObjectRef* slot);
// Removes the most recent registration of slot (registering twice needs two removals).
void unregisterRootSlot(ObjectRef* slot);

// Keeps a local variable alive for the lifetime of the guard.
class RootGuard {
 public:
  explicit RootGuard(ObjectRef& slot) : slot_(&slot) { registerRootSlot(slot_); }
  ~RootGuard() { unregisterRootSlot(slot_); }
  RootGuard(const RootGuard&) = delete;
  RootGuard& operator=(const RootGuard&) = delete;

 private:
  ObjectRef* slot_;
};

// A root enumerator reports every reference a module holds by calling visit
// for each; for roots that are not fixed variables (a stack of saved registers).
using RootVisitor = void (*)(ObjectRef held);
using RootEnumerator = void (*)(RootVisitor visit);
inline constexpr uint32_t kMaxRootEnumerators = 32;
void registerRootEnumerator(RootEnumerator enumerator);
void unregisterRootEnumerator(RootEnumerator enumerator);

// Called after every collection (the interpreter clears its method cache so
// that no cache line names a collected Method).
using CollectionObserver = void (*)();
inline constexpr uint32_t kMaxCollectionObservers = 16;
void registerCollectionObserver(CollectionObserver observer);
void unregisterCollectionObserver(CollectionObserver observer);

// For the release of fresh objects (primitive 159): marks everything the
// system holds (from `symbols` and the registered roots, not from fresh
// flags), so that the caller can skip marked entries; clearAllMarks undoes it.
void markHeldObjects();
void clearAllMarks();
