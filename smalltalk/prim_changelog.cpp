// Change-log primitive 154: source chunks appended to a log file. The driver's
// "-t" option turns logging on and names the file without opening it.
#include <cstring>

#include "smalltalk/change_log.h"
#include "smalltalk/chunk_write.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/text_buffers.h"

namespace {

enum ChangeLogOp : int32_t {
  kLogAppend = 1,
  kLogClose = 2,
  kLogOpen = 3,
  kLogIsOn = 4,
  kLogName = 5,
};

constexpr const char* kAppendBinary = "ab";

// The remembered log name (the driver's "-t" name, or the last one opened).
char logName[kMaxChangeLogName + 1] = "";

ObjectRef append(ObjectRef text) {
  if (!changeLogOn || !isLiveByteObject(text)) return nilObj;
  resetLogBuffer();
  std::string chunk = encodeChunk(bytesOf(text), byteSize(text));
  for (char c : chunk) appendLogChar(c);
  return flushLog() ? text : nilObj;
}

ObjectRef close() {
  if (!changeLogOn) return nilObj;
  if (changeLogStream != nullptr) std::fclose(changeLogStream);
  changeLogStream = nullptr;
  changeLogOn = false;
  return trueObj;
}

// A name longer than the buffer is refused rather than cut into another name.
ObjectRef open(ObjectRef name) {
  std::optional<std::string> text = textCopyArg(name);
  if (!text || text->size() > kMaxChangeLogName) return nilObj;
  if (changeLogOn && changeLogStream != nullptr) std::fclose(changeLogStream);
  changeLogStream = nullptr;
  changeLogStream = std::fopen(text->c_str(), kAppendBinary);
  if (changeLogStream == nullptr) return nilObj;
  changeLogOn = true;
  resetLogBuffer();
  std::memcpy(logName, text->c_str(), text->size() + 1);
  return trueObj;
}

}  // namespace

bool setChangeLogName(const char* name) {
  std::size_t n = std::strlen(name);
  if (n > kMaxChangeLogName) return false;
  std::memcpy(logName, name, n + 1);
  return true;
}

const char* changeLogName() { return logName; }

ObjectRef primChangeLog(ObjectRef* args) {
  std::optional<int32_t> op = intArg(args[0]);
  if (!op) return nilObj;
  switch (*op) {
    case kLogAppend: return append(args[1]);
    case kLogClose: return close();
    case kLogOpen: return open(args[1]);
    case kLogIsOn: return booleanObj(changeLogOn);
    case kLogName: return changeLogOn ? stringResult(logName) : nilObj;
    default: return nilObj;
  }
}
