// File primitives on the slot table (file_slots.h): flush, line reading,
// rewind, the object-table dump and chunk reading and writing. Opening,
// closing, file-in and plain writes live with the compiler's primitives.
#include "smalltalk/chunk_write.h"
#include "smalltalk/file_slots.h"
#include "smalltalk/filein.h"
#include "smalltalk/line_reader.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/table_dump.h"

namespace {

std::FILE* streamArg(ObjectRef slot) {
  std::optional<int32_t> n = intArg(slot);
  return n ? slotStream(*n) : nullptr;
}

}  // namespace

ObjectRef primFlushSlot(ObjectRef* args) {
  if (std::FILE* f = streamArg(args[0])) std::fflush(f);
  return nilObj;
}

ObjectRef primReadLine(ObjectRef* args) {
  std::FILE* f = streamArg(args[0]);
  if (f == nullptr) return nilObj;
  std::optional<std::string> line = readSlotLine(f, f == stdin);
  return line ? stringResult(*line) : nilObj;
}

// Only position 0 is supported: back to the start, end-of-file and error cleared.
ObjectRef primRewindSlot(ObjectRef* args) {
  std::optional<int32_t> position = intArg(args[0]);
  std::FILE* f = streamArg(args[1]);
  if (position && *position == 0 && f != nullptr) std::rewind(f);
  return nilObj;
}

ObjectRef primWriteImage(ObjectRef* args) {
  std::FILE* f = streamArg(args[0]);
  return f ? writeImage(f) : nilObj;
}

ObjectRef primReadChunk(ObjectRef* args) {
  std::FILE* f = streamArg(args[0]);
  return f ? readChunk(f) : nilObj;
}

ObjectRef primWriteChunk(ObjectRef* args) {
  std::FILE* f = streamArg(args[0]);
  if (f == nullptr || !isLiveByteObject(args[1])) return nilObj;
  return writeChunk(f, bytesOf(args[1]), byteSize(args[1])) ? args[0] : nilObj;
}
