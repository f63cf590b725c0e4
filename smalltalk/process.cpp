#include "smalltalk/process.h"

#include <algorithm>

#include "smalltalk/class_layout.h"
#include "smalltalk/collector.h"
#include "smalltalk/object_table.h"

ObjectRef newEvaluationProcess(ObjectRef method, ObjectRef receiver) {
  int32_t temporaries = 0;
  ObjectRef count = wordAt(method, kMethodTemporaryCount);
  if (count.isValue()) temporaries = std::max(0, count.uncheckedInt());
  const uint32_t room = std::max<uint32_t>(kEvaluationTemporaryRoom, temporaries);
  const uint32_t depth = kEvaluationLink + kFrameHeaderWords - 1 + room;

  ObjectRef process = newPointerObject(kProcessWords);
  RootGuard keepProcess(process);
  ObjectRef stack = newPointerObject(std::max(kEvaluationStackWords, depth + 1));
  storeWord(process, kProcessStack, stack);
  storeWord(process, kProcessDepth, smallInt(static_cast<int32_t>(depth)));
  storeWord(process, kProcessLink, smallInt(kEvaluationLink));

  // Positions 1 to 6: receiver, caller link 0, no Context, return point 1,
  // the method, byte offset 1.
  const ObjectRef frame[] = {receiver, smallInt(0), nilObj, smallInt(1), method, smallInt(1)};
  for (uint32_t i = 0; i < sizeof frame / sizeof frame[0]; ++i) storeWord(stack, i, frame[i]);
  return process;
}

uint32_t processDepth(ObjectRef process) {
  return static_cast<uint32_t>(wordAt(process, kProcessDepth).intValue());
}

ObjectRef processTop(ObjectRef process) {
  const uint32_t depth = processDepth(process);
  return depth == 0 ? nilObj : wordAt(wordAt(process, kProcessStack), depth - 1);
}
