// Socket primitive 149: blocking IPv4 stream sockets, known to scripts by
// their descriptor as a small integer.
#include <algorithm>

#include "smalltalk/memory_counters.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/socket_io.h"
#include "smalltalk/symbols.h"

namespace {

enum SocketOp : int32_t {
  kSockCreate = 1,
  kSockClose = 2,
  kSockBind = 3,
  kSockConnect = 4,
  kSockSend = 5,
  kSockReceive = 6,
  kSockListen = 7,
  kSockAccept = 8,
  kSockShutdown = 9,
  kSockGetOption = 10,
  kSockSetOption = 11,
};

constexpr uint32_t kIpv4AddressBytes = 4;
// A received buffer keeps two zero bytes after the largest possible data.
constexpr uint32_t kReceiveSlack = 2;

ObjectRef create() {
  std::optional<int> handle = socketCreate();
  return handle ? intResult(*handle) : nilObj;
}

ObjectRef bindOrAccept(const ObjectRef* args, bool accept) {
  std::optional<std::string> address = textCopyArg(args[1]);
  std::optional<int32_t> handle = intArg(args[2]);
  std::optional<int32_t> port = intArg(args[3]);
  if (!address || !handle || !port) return nilObj;
  return smallInt(accept ? socketAccept(*address, *handle, *port)
                         : socketBind(*address, *handle, *port));
}

ObjectRef connect(const ObjectRef* args) {
  std::optional<int32_t> handle = intArg(args[1]);
  std::optional<int32_t> port = intArg(args[3]);
  ObjectRef address = args[2];
  if (!handle || !port || !isLiveByteObject(address) || byteSize(address) < kIpv4AddressBytes)
    return nilObj;
  return smallInt(socketConnect(*handle, bytesOf(address), *port));
}

ObjectRef send(const ObjectRef* args) {
  std::optional<int32_t> handle = intArg(args[1]);
  std::optional<std::string> text = textCopyArg(args[2]);
  if (!handle || !text) return nilObj;
  return intResult(socketSend(*handle, text->data(), text->size()));
}

// Receives into a new body of size + 2 zero bytes. Unless the peer closed the
// connection (0), the buffer object takes the new body and becomes a String
// whose recorded size is the new body's; otherwise it stays as it was.
ObjectRef receive(const ObjectRef* args) {
  std::optional<int32_t> handle = intArg(args[1]);
  ObjectRef buffer = args[2];
  std::optional<int32_t> size = intArg(args[3]);
  if (!handle || !size || *size < 0 || !isLiveByteObject(buffer)) return nilObj;
  if (classOf(buffer) == symbolClass()) return nilObj;  // a Symbol's text never changes
  uint64_t capacity = static_cast<uint64_t>(*size) + kReceiveSlack;
  if (capacity > kMaxObjectBytes) return nilObj;
  void* body = acquireBlock(capacity);
  if (body == nullptr) return nilObj;
  long received = socketReceive(*handle, static_cast<char*>(body), static_cast<size_t>(*size));
  if (received == 0) {
    releaseBlock(body);
    return smallInt(0);
  }
  ObjectEntry& e = entryOf(buffer);
  if (e.size != 0) releaseBody(e.body);
  e.body = body;
  e.size = static_cast<uint32_t>(capacity);
  setClass(buffer, stringClass());
  return intResult(received);
}

ObjectRef simpleCall(const ObjectRef* args, int (*call)(int, int)) {
  std::optional<int32_t> handle = intArg(args[1]);
  std::optional<int32_t> value = intArg(args[2]);
  if (!handle || !value) return nilObj;
  return smallInt(call(*handle, *value));
}

// Options read into or taken from a byte object's body; the length must lie
// inside that body.
ObjectRef option(const ObjectRef* args, bool set) {
  std::optional<int32_t> handle = intArg(args[1]);
  std::optional<int32_t> level = intArg(args[2]);
  std::optional<int32_t> name = intArg(args[3]);
  ObjectRef buffer = args[4];
  std::optional<int32_t> length = intArg(args[5]);
  if (!handle || !level || !name || !length || *length < 0 || !isLiveByteObject(buffer) ||
      static_cast<uint32_t>(*length) > byteSize(buffer))
    return nilObj;
  void* body = entryOf(buffer).body;
  return smallInt(set ? socketSetOption(*handle, *level, *name, body, *length)
                      : socketGetOption(*handle, *level, *name, body, *length));
}

}  // namespace

ObjectRef primSocket(ObjectRef* args) {
  std::optional<int32_t> op = intArg(args[0]);
  if (!op) return nilObj;
  switch (*op) {
    case kSockCreate: return create();
    case kSockClose: {
      std::optional<int32_t> handle = intArg(args[1]);
      if (handle) socketClose(*handle);
      return nilObj;
    }
    case kSockBind: return bindOrAccept(args, false);
    case kSockConnect: return connect(args);
    case kSockSend: return send(args);
    case kSockReceive: return receive(args);
    case kSockListen: return simpleCall(args, socketListen);
    case kSockAccept: return bindOrAccept(args, true);
    case kSockShutdown: return simpleCall(args, socketShutdown);
    case kSockGetOption: return option(args, false);
    case kSockSetOption: return option(args, true);
    default: return nilObj;
  }
}
