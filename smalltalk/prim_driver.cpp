// The primitives the driver and the first scripts need: opening, closing and
// filing in a file slot (the driver's file-in text), writing a text, quitting,
// and turning a number into a printable Float.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "smalltalk/class_layout.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/file_slots.h"
#include "smalltalk/filein.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/symbols.h"

namespace {

constexpr size_t kFloatPrintCapacity = 64;
constexpr const char* kFloatPrintFormat = "%g";
// Whole values below this in size print under "%g" as their plain digits.
constexpr double kPlainDigitsLimit = 1e6;

KnownGlobal knownFloat("Float");

// The "%g" text of value. Whole numbers below a million in size (what
// Integer>>printString sends here) take a plain digit conversion with the
// same digits; negative zero keeps its sign through "%g".
void printFloat(double value, char (&text)[kFloatPrintCapacity]) {
  if (value > -kPlainDigitsLimit && value < kPlainDigitsLimit && value == std::trunc(value) &&
      !(value == 0 && std::signbit(value))) {
    const auto end = std::to_chars(text, text + sizeof text - 1, static_cast<int32_t>(value)).ptr;
    *end = '\0';
    return;
  }
  std::snprintf(text, sizeof text, kFloatPrintFormat, value);
}

// Writes the text of args[1] to the stream of slot args[0], then an optional
// line end, and flushes. Fails (nil) for an empty slot or a non-text.
ObjectRef writeText(const ObjectRef* args, bool lineEnd) {
  std::optional<int32_t> slot = intArg(args[0]);
  std::optional<std::string_view> text = textArg(args[1]);
  if (!slot || !text) return nilObj;
  std::FILE* stream = slotStream(*slot);
  if (stream == nullptr) return nilObj;
  std::fwrite(text->data(), 1, text->size(), stream);
  if (lineEnd) std::fputc('\n', stream);
  std::fflush(stream);
  return nilObj;
}

}  // namespace

ObjectRef primQuit(ObjectRef*) {
  std::fflush(nullptr);
  std::exit(EXIT_SUCCESS);
}

ObjectRef primIntegerToFloat(ObjectRef* args) {
  std::optional<int32_t> value = intArg(args[0]);
  return value ? newFloat(static_cast<double>(*value)) : nilObj;
}

ObjectRef primFloatPrintString(ObjectRef* args) {
  ObjectRef aFloat = args[0];
  if (!isLiveByteObject(aFloat) || byteSize(aFloat) != kFloatBytes ||
      classOf(aFloat) != knownFloat.value())
    return nilObj;
  char text[kFloatPrintCapacity];
  printFloat(floatValue(aFloat), text);
  return newString(text);
}

ObjectRef primOpenSlot(ObjectRef* args) {
  std::optional<int32_t> slot = intArg(args[0]);
  std::optional<std::string> name = textCopyArg(args[1]);
  std::optional<std::string> mode = textCopyArg(args[2]);
  if (!slot || !name || !mode) return nilObj;
  std::optional<int> opened = openFileSlot(*slot, *name, *mode);
  return opened ? smallInt(*opened) : nilObj;
}

ObjectRef primCloseSlot(ObjectRef* args) {
  if (std::optional<int32_t> slot = intArg(args[0])) closeFileSlot(*slot);
  return nilObj;
}

ObjectRef primFileInSlot(ObjectRef* args) {
  std::optional<int32_t> slot = intArg(args[0]);
  if (!slot) return nilObj;
  if (std::FILE* stream = slotStream(*slot)) fileIn(stream);
  return nilObj;
}

ObjectRef primWriteText(ObjectRef* args) { return writeText(args, false); }
ObjectRef primWriteLine(ObjectRef* args) { return writeText(args, true); }
