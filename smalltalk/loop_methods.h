// The library's loop methods as the interpreter knows them: the text of
// each (in loop_methods.cpp), compiled once, and the test that the methods
// a send finds are compiled exactly so. The interpreter does the work of
// the library's loops itself only while they are (inline_loop.h).
#pragma once

#include <cstdint>
#include <vector>

#include "smalltalk/object_ref.h"

enum LoopMethod : uint8_t {
  kToDo, kIsBlock, kValueFromToBy, kRun, kEnter,
  kDo, kValueWithElementsInto, kSize, kAt,
  kInjectInto, kNumArgs, kValueWithElementsInjecting,
  kToByDo, kIsSmallInteger, kTimesRepeat, kValue,
  kLoopMethodCount
};

// The selector of a loop method in the present object table.
ObjectRef loopMethodSelector(LoopMethod m);

// Are the methods that sends of these selectors find compiled exactly as the
// library's text, looked up for receiverClass (for blockClass when they are
// the block's methods)? A text is compiled the first time it is asked for,
// which may collect.
bool libraryLoopMethods(const std::vector<LoopMethod>& methods, ObjectRef receiverClass,
                        ObjectRef blockClass);

// The selectors for a new object table; forgetting them (a text that did
// not compile, for want of its class, is compiled again in the next table).
void setUpLoopMethods();
void resetLoopMethods();
