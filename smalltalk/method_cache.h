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

// Zeroes every line.
void flushMethodCache();
// Clears the selector word of every line that holds selector (primitives 38
// and 39, and every method installation).
void flushCacheSelector(ObjectRef selector);
