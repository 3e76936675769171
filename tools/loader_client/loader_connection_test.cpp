#include "loader_connection.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "loader_log.h"
#include "loader_peer_process.h"
#include "loader_test_fixture.h"
#include "run_program.h"

namespace {

using LoaderConnectionTest = LoaderClientTest;

TEST_F(LoaderConnectionTest, NoLoaderListening) {
  EXPECT_FALSE(loader_connect());
  EXPECT_EQ(loader_descriptor(), -1);
  EXPECT_FALSE(loader_send_command("status\n"));
  EXPECT_FALSE(loader_wait_ok());
  EXPECT_EQ(loader_log_count(), 0);  // a send while not connected logs nothing
  loader_disconnect();               // does nothing
}

TEST_F(LoaderConnectionTest, GreetingsAndVersions) {
  struct Case {
    std::vector<std::string> peer;
    bool connects;
    const char* text;
    bool at_least_1_42;
  } cases[] = {
      {{"--version=1.57", "--crlf"}, true, "1.57", true},
      {{"--version=1.5"}, true, "1.05", false},
      {{"--version=2.0"}, true, "2.00", true},
      {{"--version=1.41"}, true, "1.41", false},
      {{"--version=1.42 and more"}, true, "1.42", true},
      {{"--greeting=Kestro Loader v1.57"}, false, nullptr, false},
      {{"--greeting=Other Loader 1.57"}, false, nullptr, false},
  };
  for (const Case& c : cases) {
    loader_connection_reset();
    LoaderPeer peer(c.peer);
    EXPECT_EQ(loader_connect(), c.connects) << c.peer[0];
    if (!c.connects) {
      EXPECT_EQ(loader_descriptor(), -1);
      continue;
    }
    EXPECT_STREQ(loader_version_text(), c.text);
    EXPECT_EQ(loader_version_at_least(1, 42), c.at_least_1_42) << c.peer[0];
  }
  loader_connection_reset();
  LoaderPeer peer({"--version=1.5"});
  ASSERT_TRUE(loader_connect());
  EXPECT_TRUE(loader_version_at_least(1, 5));
}

TEST_F(LoaderConnectionTest, APeerThatNeverGreetsIsNotTheLoader) {
  LoaderPeer peer({"--no-greeting"});
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(loader_connect());
  double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_GT(waited, 5.4);  // one greeting time-out; the other two ports refuse at once
  EXPECT_LT(waited, 8.0);
  EXPECT_EQ(loader_descriptor(), -1);
}

TEST_F(LoaderConnectionTest, RepliesOkOrNot) {
  LoaderPeer peer({"--crlf", "--refuse=auto:on", "--split"});
  ASSERT_TRUE(loader_connect());
  EXPECT_TRUE(loader_send_command("comment: hello\n"));
  EXPECT_TRUE(loader_wait_ok());  // "Ok\r\n", sent in two segments
  EXPECT_TRUE(loader_send_command("auto:on\n"));
  EXPECT_FALSE(loader_wait_ok());  // "Error"
  EXPECT_TRUE(loader_send_command("auto:off\n"));
  EXPECT_TRUE(loader_wait_ok());
}

TEST_F(LoaderConnectionTest, ASilentLoaderTimesOutAndDoesNotHang) {
  LoaderPeer peer({"--slow=20000"});
  ASSERT_TRUE(loader_connect());
  ASSERT_TRUE(loader_send_command("comment: anyone?\n"));
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(loader_wait_ok());
  double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_GT(waited, 6.3);
  EXPECT_LT(waited, 9.0);
}

TEST_F(LoaderConnectionTest, ASendToAGoneLoaderFailsWithoutSigpipe) {
  {
    LoaderPeer peer({});
    ASSERT_TRUE(loader_connect());
  }
  signal(SIGPIPE, SIG_DFL);  // the default would end this process
  bool all_sent = true;
  for (int i = 0; i < 50 && all_sent; ++i) {
    all_sent = loader_send_command("comment: still there?\n");
    usleep(2000);
  }
  EXPECT_FALSE(all_sent);
  EXPECT_FALSE(loader_wait_ok());
}

// loader_read_line over a socket pair, with the far end in the test's hands.
class ReadLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loader_connection_reset();
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
  }
  void TearDown() override {
    close(fds[0]);
    if (fds[1] >= 0) close(fds[1]);
    loader_connection_reset();
  }
  void peer_sends(const std::string& bytes) { ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), (ssize_t)bytes.size()); }
  int fds[2];
};

TEST_F(ReadLineTest, LinesAreCutAndSplitAsReceived) {
  char line[1024];
  peer_sends("first\r\nsecond\n");
  ASSERT_TRUE(loader_read_line(fds[0], line, sizeof line, 1000));
  EXPECT_STREQ(line, "first");
  ASSERT_TRUE(loader_read_line(fds[0], line, sizeof line, 0));  // already buffered: no wait
  EXPECT_STREQ(line, "second");

  peer_sends(std::string(3000, 'x') + "\nafter\n");
  ASSERT_TRUE(loader_read_line(fds[0], line, sizeof line, 1000));
  EXPECT_EQ(std::string(line), std::string(1023, 'x'));
  ASSERT_TRUE(loader_read_line(fds[0], line, sizeof line, 1000));
  EXPECT_STREQ(line, "after");

  peer_sends("par");
  EXPECT_FALSE(loader_read_line(fds[0], line, sizeof line, 100));  // partial line kept
  peer_sends("tial\n");
  ASSERT_TRUE(loader_read_line(fds[0], line, sizeof line, 1000));
  EXPECT_STREQ(line, "partial");
}

TEST_F(ReadLineTest, ClosedPeerOrFullBufferEndsTheReadAtOnce) {
  char line[80];
  peer_sends(std::string(5000, 'y'));  // no line end within the 4096-byte buffer
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(loader_read_line(fds[0], line, sizeof line, 3000));
  loader_connection_reset();  // forget the unfinished bytes
  loader_drain(fds[0]);
  close(fds[1]);
  fds[1] = -1;
  EXPECT_FALSE(loader_read_line(fds[0], line, sizeof line, 3000));
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 1.0);
}

TEST_F(ReadLineTest, DrainKeepsBufferedLines) {
  char line[80];
  peer_sends("kept\npartial");
  ASSERT_TRUE(loader_read_line(fds[0], line, sizeof line, 1000));  // buffers "partial" too
  peer_sends("stale bytes");
  loader_drain(fds[0]);
  peer_sends(" line\n");
  ASSERT_TRUE(loader_read_line(fds[0], line, sizeof line, 1000));
  EXPECT_STREQ(line, "partial line");
}

}  // namespace
