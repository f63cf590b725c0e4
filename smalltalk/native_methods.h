// Library methods whose work the interpreter does itself: String>>hash and
// String>>= (a Dictionary or Set with String keys asks them of every key it
// looks at), Float>>sqrt, LargePositiveInteger>>+ of a small integer (a
// running total past the small integers), Array>>shallowCopy and
// copyFrom:to: and WriteStream>>nextPutAll: of a String, which copy an
// element in about 13 bytecodes. Each costs thousands of machine
// instructions as bytecodes and a few dozen here. The interpreter holds their text (in
// native_methods.cpp) and answers a send this way only when the method the
// send finds is compiled exactly from that text (method_reference.h), and
// only for operands on which its answer is certain to be the method's; any
// other send runs the method.
#pragma once

#include <cstdint>

#include "smalltalk/object_ref.h"

enum NativeMethod : uint8_t {
  kNoNative, kStringHash, kStringEqual, kFloatSqrt, kLargePlus, kArrayCopy, kArrayCopyFromTo,
  kStreamNextPutAll, kNativeEnd
};

// The native method that `method`, found for a send of selector, is; or
// kNoNative. The first question for each native compiles its text, which
// may collect.
NativeMethod nativeMethodFor(ObjectRef selector, ObjectRef method);

// The answer of native m to the send of its selector whose receiver and
// arguments are the `count` words at operands. False when the method must
// run instead (nothing has changed then). May allocate (sqrt's Float), and
// so collect.
bool nativeAnswer(NativeMethod m, const ObjectRef* operands, uint32_t count, ObjectRef& answer);

// The selectors for a new object table; forgetting them.
void setUpNativeMethods();
void resetNativeMethods();
