// The variable names visible in a class, for the compiler: class variables and
// instance variables of the whole superclass chain, root first.
#pragma once

#include <cstdint>

#include "smalltalk/object_ref.h"

inline constexpr uint32_t kMaxVariableNames = 256;
// A superclass chain longer than this is treated as broken (a cycle).
inline constexpr uint32_t kMaxClassChain = 4096;

struct VariableNameList {
  const char* names[kMaxVariableNames];  // texts of Symbols (which live for the run)
  uint32_t count;
};

extern VariableNameList classVariableNames;
extern VariableNameList instanceVariableNames;

// A reference that can be read as a class: an object in use with the class words.
bool isClassObject(ObjectRef cls);

// Fills both lists for cls; nil empties them. False when a list would exceed
// kMaxVariableNames or the chain is broken: the lists then hold what fitted.
bool collectVariableNames(ObjectRef cls);
