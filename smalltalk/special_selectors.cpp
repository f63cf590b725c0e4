#include "smalltalk/special_selectors.h"

#include <cstring>

namespace {

int indexIn(const char* const* names, int count, const char* text) {
  for (int i = 0; i < count; ++i)
    if (std::strcmp(names[i], text) == 0) return i;
  return -1;
}

}  // namespace

int unarySelectorIndex(const char* text) {
  return indexIn(kUnarySelectorNames, kUnarySelectorCount, text);
}

int binarySelectorIndex(const char* text) {
  return indexIn(kBinarySelectorNames, kBinarySelectorCount, text);
}
