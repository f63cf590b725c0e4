// Message sending: the receiver's class, the cached lookup along the
// superclass chain, the recovery of messages that are not understood, and the
// watch hook. Every send instruction ends in `send`.
#pragma once

#include "smalltalk/interpreter.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/object_ref.h"

// Recovery and watch selectors.
inline constexpr const char* kRecoverySelector = "message:notRecognizedWithArguments:";
inline constexpr const char* kWatchSelector = "watchWith:";

// The watch flag: while on, activations of methods with a watch marker go
// through "watchWith:", and the inline send shortcuts are off.
extern bool watching;
// Toggles the flag (primitive 5) and answers its new state.
bool toggleWatching();

// The class of a reference: the Integer class for a small integer.
ObjectRef classOfReceiver(ObjectRef receiver);

// Prepares a send of selector to the receiver at position returnPoint and
// answers the receiver's class.
ObjectRef prepareSend(ExecutionState& es, int64_t returnPoint, ObjectRef selector);
// Finds the method for interp.currentSelector starting at cls (cache, lookup,
// recovery) and activates it (through the watch hook when it applies).
// False when the send failed, which ends `execute`.
bool send(ExecutionState& es, ObjectRef cls);

// The cached search: the line with interp.currentMethod set (after recovery
// when needed), or null when the send failed.
const CacheLine* findMethod(ExecutionState& es, ObjectRef cls);
// The uncached search along the superclass chain; sets interp.currentMethod
// (nil when not found) and, when found, foundClass.
bool lookupMethod(ObjectRef cls, ObjectRef* foundClass = nullptr);
