#include "smalltalk/method_cache.h"

CacheLine methodCache[cacheSize];

void flushMethodCache() {
  for (CacheLine& line : methodCache) line = CacheLine{};
}

void flushCacheSelector(ObjectRef selector) {
  for (CacheLine& line : methodCache)
    if (line.selector == selector) line.selector = ObjectRef{};
}
