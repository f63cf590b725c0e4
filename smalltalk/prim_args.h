// Checked reading of primitive arguments. Every primitive takes its arguments
// through these helpers, so that a wrong kind of object or an index outside a
// body makes it fail (answer nil) instead of reading or writing out of bounds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "smalltalk/object_table.h"

// A reference to an object in use (not a small integer, not entry 0, not free).
inline bool isLiveObject(ObjectRef ref) {
  if (ref.isValue() || ref.Index() == 0 || ref.Index() >= tableWritten || objTbl == nullptr)
    return false;
  return !isAvail(ref.Index());
}

inline bool isLivePointerObject(ObjectRef ref) {
  return isLiveObject(ref) && isPointerObject(ref);
}

// The 0-based word of a 1-based index into obj's body; false when obj is not
// a pointer object or the index is not inside it.
[[gnu::always_inline]] inline bool elementIndex(ObjectRef obj, ObjectRef index, uint32_t& word) {
  if (!isLivePointerObject(obj) || !index.isValue()) return false;
  const int32_t i = index.uncheckedInt();
  if (i < 1 || static_cast<uint32_t>(i) > wordCount(obj)) return false;
  word = static_cast<uint32_t>(i - 1);
  return true;
}

// basicAt: and basicAt:put: of a pointer object: nil, and false, when the
// index is not inside it (primitives 25 and 31, and the interpreter's loops).
inline ObjectRef basicAtOrNil(ObjectRef obj, ObjectRef index) {
  uint32_t word;
  return elementIndex(obj, index, word) ? wordAt(obj, word) : nilObj;
}
inline bool basicAtPutInside(ObjectRef obj, ObjectRef index, ObjectRef value) {
  uint32_t word;
  if (!elementIndex(obj, index, word)) return false;
  storeWord(obj, word, value);
  return true;
}

inline bool isLiveByteObject(ObjectRef ref) {
  return isLiveObject(ref) && !isPointerObject(ref);
}

inline std::optional<int32_t> intArg(ObjectRef ref) {
  if (!ref.isValue()) return std::nullopt;
  return ref.uncheckedInt();
}

// The text of a byte object: its bytes up to the first zero byte or the end of
// the body, whichever comes first. nullopt for anything but a byte object.
inline std::optional<std::string_view> textArg(ObjectRef ref) {
  if (!isLiveByteObject(ref)) return std::nullopt;
  const char* chars = charsOf(ref);
  uint32_t size = byteSize(ref);
  if (chars == nullptr || size == 0) return std::string_view();
  uint32_t length = 0;
  while (length < size && chars[length] != '\0') ++length;
  return std::string_view(chars, length);
}

inline std::optional<std::string> textCopyArg(ObjectRef ref) {
  std::optional<std::string_view> text = textArg(ref);
  if (!text) return std::nullopt;
  return std::string(*text);
}

// An integer result, or nil when it does not fit a small integer.
inline ObjectRef intResult(int64_t value) {
  return fitsSmallInt(value) ? smallInt(static_cast<int32_t>(value)) : nilObj;
}

// A String holding exactly these bytes (and a terminating zero).
ObjectRef stringResult(std::string_view text);
// A new Array of the given elements, in order.
ObjectRef arrayResult(std::initializer_list<ObjectRef> elements);
