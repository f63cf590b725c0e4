// IPv4 stream sockets for the socket primitive: thin, blocking wrappers over
// the BSD socket calls. A socket is known by its file descriptor; results are
// the platform call's (0 success, -1 failure, or a count or descriptor).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// A new stream socket; nullopt when the platform refuses.
std::optional<int> socketCreate();

// Closes a socket that socketCreate or socketAccept made; other descriptors
// (handle 0, files, the standard streams) are left alone.
void socketClose(int handle);

// Address from dotted text, port from the low 16 bits of port.
int socketBind(const std::string& addressText, int handle, std::int64_t port);
// Address from four raw bytes in network order.
int socketConnect(int handle, const std::uint8_t address[4], std::int64_t port);
int socketListen(int handle, int backlog);
// Accepts a connection; the peer's address is dropped. The new descriptor or -1.
int socketAccept(const std::string& addressText, int handle, std::int64_t port);
// Sends every byte given in one call, never raising SIGPIPE.
long socketSend(int handle, const char* bytes, std::size_t length);
long socketReceive(int handle, char* buffer, std::size_t capacity);
int socketShutdown(int handle, int how);
int socketGetOption(int handle, int level, int option, void* buffer, std::size_t length);
int socketSetOption(int handle, int level, int option, const void* value, std::size_t length);

// Closes every socket still open (tests start from a fresh state).
void socketCloseAll();
