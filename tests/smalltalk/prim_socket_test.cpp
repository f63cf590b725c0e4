#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "prim_test_support.h"
#include "smalltalk/socket_io.h"

namespace {

class SocketPrims : public PrimWorld {
 protected:
  void TearDown() override {
    socketCloseAll();
    PrimWorld::TearDown();
  }
  // A socket made by the primitive and bound to a free loopback port.
  int boundSocket(int& port) {
    ObjectRef s = prim(149, {num(1)});
    EXPECT_TRUE(s.isValue());
    EXPECT_EQ(prim(149, {num(3), str("127.0.0.1"), s, num(0)}), num(0));
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(intOf(s), reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return intOf(s);
  }
};

// The script serves: listen, accept, receive; the test's thread is the client.
TEST_F(SocketPrims, ScriptServesAndDataArrivesIntact) {
  int port = 0;
  int server = boundSocket(port);
  ASSERT_EQ(prim(149, {num(7), num(server), num(1)}), num(0));
  std::thread client([port] {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::send(fd, "hello", 5, 0), 5);
    ::shutdown(fd, SHUT_WR);
    char reply[16] = {};
    ASSERT_EQ(::recv(fd, reply, 4, MSG_WAITALL), 4);
    EXPECT_STREQ(reply, "pong");
    ::close(fd);
  });
  ObjectRef conn = prim(149, {num(8), str("0.0.0.0"), num(server), num(0)});
  ASSERT_TRUE(conn.isValue());
  ASSERT_GT(intOf(conn), 0);

  ObjectRef buffer = newByteObject(10);
  ObjectRef got = prim(149, {num(6), conn, buffer, num(100)});
  ASSERT_EQ(got, num(5));
  EXPECT_EQ(classOf(buffer), stringClass());
  EXPECT_EQ(byteSize(buffer), 102u);
  EXPECT_EQ(textOfObject(buffer), "hello");
  EXPECT_EQ(prim(81, {buffer}), num(5));

  EXPECT_EQ(prim(149, {num(5), conn, str("pong")}), num(4));
  // The peer has closed its side: 0, and the object stays as it was.
  ObjectRef second = str("keep");
  EXPECT_EQ(prim(149, {num(6), conn, second, num(8)}), num(0));
  EXPECT_EQ(textOfObject(second), "keep");
  EXPECT_EQ(byteSize(second), 5u);
  client.join();
  EXPECT_EQ(prim(149, {num(9), conn, num(SHUT_RDWR)}), num(0));
  EXPECT_EQ(prim(149, {num(2), conn}), nilObj);
}

// The script connects with a raw four-byte address; the test's thread serves.
TEST_F(SocketPrims, ScriptConnectsToLoopback) {
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  socklen_t len = sizeof a;
  getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  ASSERT_EQ(::listen(listener, 1), 0);
  std::string received;
  std::thread server([&] {
    int fd = ::accept(listener, nullptr, nullptr);
    char buf[64];
    ssize_t n;
    while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0) received.append(buf, n);
    ::close(fd);
  });
  ObjectRef s = prim(149, {num(1)});
  ObjectRef address = newByteArray(4);
  const uint8_t loopback[4] = {127, 0, 0, 1};
  for (int i = 0; i < 4; ++i) bytesOf(address)[i] = loopback[i];
  ASSERT_EQ(prim(149, {num(4), s, address, num(ntohs(a.sin_port))}), num(0));
  EXPECT_EQ(prim(149, {num(5), s, str("line one\nline two")}), num(17));
  prim(149, {num(9), s, num(SHUT_WR)});
  server.join();
  EXPECT_EQ(received, "line one\nline two");
  ::close(listener);
}

TEST_F(SocketPrims, TakenPortAnswersMinusOne) {
  int port = 0;
  int first = boundSocket(port);
  ASSERT_EQ(prim(149, {num(7), num(first), num(1)}), num(0));
  ObjectRef second = prim(149, {num(1)});
  EXPECT_EQ(prim(149, {num(3), str("0.0.0.0"), second, num(port)}), num(-1));
  ObjectRef third = prim(149, {num(1)});
  EXPECT_EQ(prim(149, {num(3), str("0.0.0.0"), third, num(0)}), num(0));
}

TEST_F(SocketPrims, OptionsStayInsideTheBuffer) {
  ObjectRef s = prim(149, {num(1)});
  ObjectRef value = newByteArray(4);
  bytesOf(value)[0] = 1;
  EXPECT_EQ(prim(149, {num(11), s, num(SOL_SOCKET), num(SO_REUSEADDR), value, num(4)}), num(0));
  ObjectRef out = newByteArray(4);
  EXPECT_EQ(prim(149, {num(10), s, num(SOL_SOCKET), num(SO_REUSEADDR), out, num(4)}), num(0));
  EXPECT_NE(bytesOf(out)[0] | bytesOf(out)[1] | bytesOf(out)[2] | bytesOf(out)[3], 0);
  EXPECT_EQ(prim(149, {num(10), s, num(SOL_SOCKET), num(SO_REUSEADDR), out, num(5)}), nilObj);
  EXPECT_EQ(prim(149, {num(11), s, num(SOL_SOCKET), num(SO_REUSEADDR), newArray(1), num(4)}), nilObj);
}

TEST_F(SocketPrims, BadOperationsAndArguments) {
  for (ObjectRef op : {num(0), num(12), nilObj, str("1")}) EXPECT_EQ(prim(149, {op}), nilObj);
  EXPECT_EQ(prim(149, {num(2), num(0)}), nilObj);  // handle 0: nothing happens
  EXPECT_EQ(prim(149, {num(4), num(3), newByteArray(3), num(80)}), nilObj);
  EXPECT_EQ(prim(149, {num(6), num(3), newSymbol("sym"), num(4)}), nilObj);
  EXPECT_EQ(prim(149, {num(6), num(3), newArray(4), num(4)}), nilObj);
  EXPECT_EQ(prim(149, {num(6), num(3), newByteArray(4), num(-1)}), nilObj);
  ObjectRef buffer = newByteArray(4);
  EXPECT_EQ(prim(149, {num(6), num(-1), buffer, num(4)}), num(-1));
  EXPECT_EQ(classOf(buffer), stringClass());  // an error leaves an empty String
  EXPECT_EQ(byteSize(buffer), 6u);
  EXPECT_EQ(textOfObject(buffer), "");
}

}  // namespace
