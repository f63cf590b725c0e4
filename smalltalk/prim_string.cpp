// Byte-string primitives (texts are read up to their first zero byte and never
// past the body) and the global-variable primitives that hash names the same way.
#include <algorithm>
#include <string>

#include "smalltalk/collector.h"
#include "smalltalk/fatal.h"
#include "smalltalk/name_table.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/symbols.h"

namespace {

constexpr uint32_t kByteMask = 0xFF;

// The stopping messages of the three byte-string primitives.
constexpr const char* kNonIntegerIndex = "non integer index";
constexpr const char* kByteAtName = "byteAt:";
constexpr const char* kByteAtPutName = "byteAtPut";
constexpr const char* kAssigningNonInt = "assigning non int";
constexpr const char* kToByte = "to byte";
constexpr const char* kCopyFromToName = "copyFromTo";

// The address of byte i (1-based) of a live byte object's body; false when
// there is none. (A bool and an out parameter, as for Float arguments: an
// optional may come back through memory.)
[[gnu::always_inline]] inline bool byteAddress(ObjectRef obj, int32_t i, uint8_t*& at) {
  if (!isLiveByteObject(obj) || i < 1 || static_cast<uint32_t>(i) > byteSize(obj)) return false;
  at = bytesOf(obj) + (i - 1);
  return true;
}

}  // namespace

ObjectRef primConcatenate(ObjectRef* args) {
  std::optional<std::string> a = textCopyArg(args[0]);
  std::optional<std::string> b = textCopyArg(args[1]);
  if (!a || !b) return nilObj;
  return stringResult(*a + *b);
}

ObjectRef primByteAt(ObjectRef* args) {
  if (!args[1].isValue()) fatal(kNonIntegerIndex, kByteAtName);
  uint8_t* at = nullptr;
  return byteAddress(args[0], args[1].uncheckedInt(), at) ? smallInt(*at) : nilObj;
}

ObjectRef primByteAtPut(ObjectRef* args) {
  if (!args[1].isValue()) fatal(kNonIntegerIndex, kByteAtPutName);
  if (!args[2].isValue()) fatal(kAssigningNonInt, kToByte);
  uint8_t* at = nullptr;
  if (!byteAddress(args[0], args[1].uncheckedInt(), at)) return nilObj;
  *at = static_cast<uint8_t>(static_cast<uint32_t>(args[2].uncheckedInt()) & kByteMask);
  return args[0];
}

// copyFrom:to: — empty when from is outside the text or the range is empty;
// otherwise at most to - from + 1 bytes starting at from.
ObjectRef primCopyFromTo(ObjectRef* args) {
  if (!args[1].isValue() || !args[2].isValue()) fatal(kNonIntegerIndex, kCopyFromToName);
  std::optional<std::string> text = textCopyArg(args[0]);
  if (!text) return nilObj;
  int64_t from = args[1].uncheckedInt();
  int64_t to = args[2].uncheckedInt();
  int64_t length = static_cast<int64_t>(text->size());
  int64_t wanted = to - from + 1;
  if (from < 1 || from > length || wanted < 1) return stringResult("");
  int64_t count = std::min(length - from + 1, wanted);
  return stringResult(std::string_view(*text).substr(from - 1, count));
}

ObjectRef primStringLength(ObjectRef* args) {
  std::optional<std::string_view> text = textArg(args[0]);
  return text ? intResult(static_cast<int64_t>(text->size())) : nilObj;
}

ObjectRef primStringHash(ObjectRef* args) {
  std::optional<std::string> text = textCopyArg(args[0]);
  return text ? intResult(nameHash(text->c_str())) : nilObj;
}

ObjectRef primAsSymbol(ObjectRef* args) {
  std::optional<std::string> text = textCopyArg(args[0]);
  return text ? intern(text->c_str()) : nilObj;
}

// Only a Symbol may become a key of the symbol table: any other key would be
// found by text in place of the Symbol.
ObjectRef primDefineGlobal(ObjectRef* args) {
  ObjectRef key = args[0];
  if (!isLiveByteObject(key) || symbolClass() == nilObj || classOf(key) != symbolClass())
    return nilObj;
  std::optional<std::string> name = textCopyArg(key);
  insert(symbols, nameHash(name->c_str()), key, args[1]);
  return key;
}

ObjectRef primGlobalValue(ObjectRef* args) {
  const bool symbol = isLiveByteObject(args[0]) && classOf(args[0]) == symbolClass();
  ObjectRef value = nilObj;
  if (symbol && rememberedGlobal(args[0], value)) return value;
  // Symbols end in their zero byte: looked up in place, without a copy.
  std::optional<std::string_view> text = textArg(args[0]);
  if (text && text->size() < byteSize(args[0]))
    return symbol ? globalValueOfSymbol(args[0], text->data()) : globalValue(text->data());
  std::optional<std::string> name = textCopyArg(args[0]);
  return name ? globalValue(name->c_str()) : nilObj;
}
