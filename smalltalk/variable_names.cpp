#include "smalltalk/variable_names.h"

#include "smalltalk/class_layout.h"
#include "smalltalk/object_table.h"

VariableNameList classVariableNames = {{}, 0};
VariableNameList instanceVariableNames = {{}, 0};

bool isClassObject(ObjectRef cls) {
  return isObject(cls) && isPointerObject(cls) && wordCount(cls) >= kClassWords;
}

namespace {

// Appends the texts of the Symbols in names (an Array; anything else adds
// nothing). False when the list is full before all fitted.
bool appendNames(VariableNameList& list, ObjectRef names) {
  if (!isObject(names) || !isPointerObject(names)) return true;
  bool allFitted = true;
  for (uint32_t i = 0; i < wordCount(names); ++i) {
    ObjectRef name = bodyOf(names)[i];
    if (!isObject(name) || isPointerObject(name) || byteSize(name) == 0) continue;
    if (list.count == kMaxVariableNames) {
      allFitted = false;
      continue;
    }
    list.names[list.count++] = charsOf(name);
  }
  return allFitted;
}

}  // namespace

bool collectVariableNames(ObjectRef cls) {
  classVariableNames.count = 0;
  instanceVariableNames.count = 0;
  if (cls == nilObj) return true;  // also used while no table exists
  // The chain from cls up to its root; a longer chain than any real library
  // has is a superclass cycle.
  // (Plain words, not ObjectRefs, which would be cleared first: 16 KB per
  // method compiled.)
  uint32_t chain[kMaxClassChain];
  uint32_t length = 0;
  for (ObjectRef c = cls; isClassObject(c); c = bodyOf(c)[kClassSuperclass]) {
    if (length == kMaxClassChain) return false;
    chain[length++] = c.word;
  }
  bool allFitted = true;
  for (uint32_t i = length; i > 0; --i) {
    const ObjectRef* words = bodyOf(ObjectRef{chain[i - 1]});
    allFitted &= appendNames(classVariableNames, words[kClassClassVariables]);
    allFitted &= appendNames(instanceVariableNames, words[kClassInstanceVariables]);
  }
  return allFitted;
}
