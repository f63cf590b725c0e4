#include "smalltalk/prim_args.h"

#include "smalltalk/collector.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/symbols.h"

ObjectRef stringResult(std::string_view text) {
  ObjectRef s = newStringObjectOfLength(text.data(), static_cast<uint32_t>(text.size()));
  setClass(s, stringClass());
  return s;
}

ObjectRef arrayResult(std::initializer_list<ObjectRef> elements) {
  ObjectRef array = newArray(static_cast<uint32_t>(elements.size()));
  uint32_t i = 0;
  for (ObjectRef e : elements) storeWord(array, i++, e);
  return array;
}
