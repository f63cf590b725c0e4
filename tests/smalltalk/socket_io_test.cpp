#include "smalltalk/socket_io.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

namespace {

constexpr std::uint8_t kLoopback[4] = {127, 0, 0, 1};

// Binds a fresh socket to a free loopback port and answers the port.
int boundPort(int handle) {
  EXPECT_EQ(socketBind("127.0.0.1", handle, 0), 0);
  sockaddr_in a{};
  socklen_t len = sizeof a;
  getsockname(handle, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

class SocketIo : public ::testing::Test {
 protected:
  void TearDown() override { socketCloseAll(); }
};

TEST_F(SocketIo, LoopbackExchangeArrivesIntact) {
  std::optional<int> server = socketCreate();
  ASSERT_TRUE(server);
  int port = boundPort(*server);
  ASSERT_EQ(socketListen(*server, 1), 0);

  const std::string message = "hello, loopback\n";
  std::thread client([&] {
    std::optional<int> c = socketCreate();
    ASSERT_TRUE(c);
    ASSERT_EQ(socketConnect(*c, kLoopback, port), 0);
    EXPECT_EQ(socketSend(*c, message.data(), message.size()), static_cast<long>(message.size()));
    EXPECT_EQ(socketShutdown(*c, SHUT_WR), 0);
  });
  int conn = socketAccept("0.0.0.0", *server, 0);
  ASSERT_GT(conn, 0);
  std::string got;
  char buf[4];
  long n;
  while ((n = socketReceive(conn, buf, sizeof buf)) > 0) got.append(buf, n);
  client.join();
  EXPECT_EQ(n, 0);
  EXPECT_EQ(got, message);
}

TEST_F(SocketIo, BindingATakenPortFails) {
  std::optional<int> a = socketCreate();
  std::optional<int> b = socketCreate();
  ASSERT_TRUE(a && b);
  int port = boundPort(*a);
  ASSERT_EQ(socketListen(*a, 1), 0);
  EXPECT_EQ(socketBind("0.0.0.0", *b, port), -1);
  EXPECT_EQ(socketBind("0.0.0.0", *b, port + 0x10000), -1);  // only the low 16 bits count
}

TEST_F(SocketIo, SendToClosedPeerAnswersMinusOneWithoutSignal) {
  std::optional<int> server = socketCreate();
  ASSERT_TRUE(server);
  int port = boundPort(*server);
  ASSERT_EQ(socketListen(*server, 1), 0);
  std::optional<int> c = socketCreate();
  ASSERT_EQ(socketConnect(*c, kLoopback, port), 0);
  int conn = socketAccept("0.0.0.0", *server, 0);
  socketClose(conn);
  long last = 0;
  std::string block(65536, 'x');
  for (int i = 0; i < 50 && last >= 0; ++i) last = socketSend(*c, block.data(), block.size());
  EXPECT_EQ(last, -1);  // the program is still alive: no SIGPIPE
}

TEST_F(SocketIo, OptionsAndForeignDescriptors) {
  std::optional<int> s = socketCreate();
  ASSERT_TRUE(s);
  int one = 1;
  EXPECT_EQ(socketSetOption(*s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one), 0);
  int value = 0;
  EXPECT_EQ(socketGetOption(*s, SOL_SOCKET, SO_REUSEADDR, &value, sizeof value), 0);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(socketGetOption(*s, SOL_SOCKET, 12345, &value, sizeof value), -1);

  // Closing a descriptor this module did not create leaves it open.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  socketClose(fds[0]);
  socketClose(0);
  EXPECT_EQ(write(fds[1], "z", 1), 1);
  char c = 0;
  EXPECT_EQ(read(fds[0], &c, 1), 1);
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
