// The method cache: 211 direct-mapped lines of (selector, lookup class, class
// where found, Method), each with the Method's shape. A collision replaces the line.
//
// The cache does not keep its Methods alive. So that a line never yields a
// collected or replaced Method, the whole cache is cleared after every
// collection, and the compiler clears a selector's lines whenever it installs
// a method (flushCacheSelector).
#pragma once

#include <cstdint>

#include "smalltalk/method_shape.h"
#include "smalltalk/object_ref.h"
#include "smalltalk/object_table.h"

inline constexpr uint32_t cacheSize = 211;

struct CacheLine {
  ObjectRef selector;
  ObjectRef lookupClass;
  ObjectRef foundClass;
  ObjectRef method;
  MethodShape shape;  // how a send may answer the Method without activating it
};

extern CacheLine methodCache[cacheSize];

// Counts the changes of what the cache answers: every flush, and every line
// filled by a lookup. A line that moves to the spare table and back answers
// as before and does not count. What was found through the lines stays true
// while the count has not moved; a line itself may hold another (selector,
// class) by then, so nothing found keeps a pointer into one.
extern uint32_t cacheGeneration;

// The line of (selector, lookup class), computed unsigned.
inline uint32_t cacheLineIndex(ObjectRef selector, ObjectRef cls) {
  return ((selector.word >> 1) + (cls.word >> 1)) % cacheSize;
}

// The line of (selector, lookup class) when it holds them and a Method still
// in use; null otherwise (the full send path then fills or checks it).
inline const CacheLine* cachedLine(ObjectRef selector, ObjectRef cls) {
  const CacheLine& line = methodCache[cacheLineIndex(selector, cls)];
  if (line.selector != selector || line.lookupClass != cls || isAvail(line.method.Index()))
    return nullptr;
  return &line;
}

// Lines that a collision pushed out, kept in a second, smaller table that is
// indexed another way. Two sends that keep taking one line from each other
// (the line formula puts some pairs together) then find their Method there
// again, without the search along the superclass chain and the shape's
// symbolic run. Flushed with the cache, by the same rules; only the send's
// miss path (send.cpp) reads it.
inline constexpr uint32_t kSpareLines = 64;
extern CacheLine spareLines[kSpareLines];

// The spare line of (selector, lookup class): the top six bits of a
// multiplicative hash, unrelated to the cache's own line formula.
inline uint32_t spareLineIndex(ObjectRef selector, ObjectRef cls) {
  return ((selector.word ^ (cls.word << 16)) * 0x9E3779B1u) >> 26;
}
static_assert(kSpareLines == 64, "spareLineIndex answers six bits");

// Zeroes every line, the spare ones too.
void flushMethodCache();
// Clears the selector word of every line, spare ones too, that holds
// selector (primitives 38 and 39, and every method installation).
void flushCacheSelector(ObjectRef selector);
