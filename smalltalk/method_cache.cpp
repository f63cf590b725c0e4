#include "smalltalk/method_cache.h"

CacheLine methodCache[cacheSize];
CacheLine spareLines[kSpareLines];
uint32_t cacheGeneration = 0;

void flushMethodCache() {
  ++cacheGeneration;
  for (CacheLine& line : methodCache) line = CacheLine{};
  for (CacheLine& line : spareLines) line = CacheLine{};
}

void flushCacheSelector(ObjectRef selector) {
  ++cacheGeneration;
  for (CacheLine& line : methodCache)
    if (line.selector == selector) line.selector = ObjectRef{};
  for (CacheLine& line : spareLines)
    if (line.selector == selector) line.selector = ObjectRef{};
}
