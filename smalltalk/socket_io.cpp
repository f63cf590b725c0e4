#include "smalltalk/socket_io.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <set>

namespace {

// Descriptors that this module created: only those may be closed.
std::set<int>& ownSockets() {
  static std::set<int> sockets;
  return sockets;
}

constexpr std::uint32_t kPortMask = 0xFFFF;

sockaddr_in makeAddress(std::uint32_t networkAddress, std::int64_t port) {
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);  // the padding must be zero
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(static_cast<std::uint64_t>(port) & kPortMask));
  a.sin_addr.s_addr = networkAddress;
  return a;
}

sockaddr_in addressFromText(const std::string& text, std::int64_t port) {
  return makeAddress(inet_addr(text.c_str()), port);
}

}  // namespace

std::optional<int> socketCreate() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return std::nullopt;
  ownSockets().insert(fd);
  return fd;
}

void socketClose(int handle) {
  if (handle == 0 || ownSockets().erase(handle) == 0) return;
  ::close(handle);
}

int socketBind(const std::string& addressText, int handle, std::int64_t port) {
  sockaddr_in a = addressFromText(addressText, port);
  return ::bind(handle, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : -1;
}

int socketConnect(int handle, const std::uint8_t address[4], std::int64_t port) {
  std::uint32_t raw;
  std::memcpy(&raw, address, sizeof raw);
  sockaddr_in a = makeAddress(raw, port);
  return ::connect(handle, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : -1;
}

int socketListen(int handle, int backlog) { return ::listen(handle, backlog) == 0 ? 0 : -1; }

int socketAccept(const std::string& addressText, int handle, std::int64_t port) {
  sockaddr_in a = addressFromText(addressText, port);
  socklen_t len = sizeof a;
  int fd = ::accept(handle, reinterpret_cast<sockaddr*>(&a), &len);
  if (fd < 0) return -1;
  ownSockets().insert(fd);
  return fd;
}

long socketSend(int handle, const char* bytes, std::size_t length) {
  ssize_t n = ::send(handle, bytes, length, MSG_NOSIGNAL);
  return n < 0 ? -1 : static_cast<long>(n);
}

long socketReceive(int handle, char* buffer, std::size_t capacity) {
  ssize_t n = ::recv(handle, buffer, capacity, 0);
  return n < 0 ? -1 : static_cast<long>(n);
}

int socketShutdown(int handle, int how) { return ::shutdown(handle, how) == 0 ? 0 : -1; }

int socketGetOption(int handle, int level, int option, void* buffer, std::size_t length) {
  socklen_t len = static_cast<socklen_t>(length);
  return ::getsockopt(handle, level, option, buffer, &len) == 0 ? 0 : -1;
}

int socketSetOption(int handle, int level, int option, const void* value, std::size_t length) {
  return ::setsockopt(handle, level, option, value, static_cast<socklen_t>(length)) == 0 ? 0 : -1;
}

void socketCloseAll() {
  for (int fd : ownSockets()) ::close(fd);
  ownSockets().clear();
}
