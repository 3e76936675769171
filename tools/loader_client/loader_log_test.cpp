#include "loader_log.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "loader_connection.h"
#include "loader_peer_process.h"
#include "loader_test_fixture.h"

namespace {

// A loader that greets, then keeps every byte it receives until the client
// closes (or, with `keep_bytes`, closes after that many bytes).
class RawLoader {
 public:
  explicit RawLoader(size_t keep_bytes = SIZE_MAX) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(3149);
    inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
    EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    listen(listener_, 4);
    thread_ = std::thread([this, keep_bytes] {
      int fd = accept(listener_, nullptr, nullptr);
      if (fd < 0) return;
      send(fd, "Kestro Loader 1.57\n", 19, MSG_NOSIGNAL);
      char buf[65536];
      ssize_t got;
      while (bytes_.size() < keep_bytes && (got = recv(fd, buf, sizeof buf, 0)) > 0) bytes_.append(buf, got);
      close(fd);
    });
  }
  // Waits for the client to finish, then returns what it sent.
  std::string received() {
    if (thread_.joinable()) thread_.join();
    return bytes_;
  }
  ~RawLoader() {
    shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    close(listener_);
  }

 private:
  int listener_;
  std::thread thread_;
  std::string bytes_;
};

struct Record {
  int code;
  std::string text;
  std::uint32_t seconds, micros;
};

std::uint32_t get32(const std::string& s, size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

// Splits a log batch into its records, checking the framing on the way.
std::vector<Record> parse_batch(const std::string& bytes) {
  std::vector<Record> out;
  size_t nl = bytes.find('\n');
  EXPECT_EQ(bytes.compare(0, 4, "log:"), 0);
  const int count = std::stoi(bytes.substr(4, nl - 4));
  size_t at = nl + 1;
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(static_cast<unsigned char>(bytes[at]), 0xFC);
    EXPECT_EQ(static_cast<unsigned char>(bytes[at + 1]), 0xA9);
    const size_t length = static_cast<unsigned char>(bytes[at + 2]) | static_cast<unsigned char>(bytes[at + 3]) << 8;
    EXPECT_EQ(bytes.substr(at + 5, 3), std::string(3, '\0'));
    out.push_back({static_cast<unsigned char>(bytes[at + 4]), bytes.substr(at + 16, length), get32(bytes, at + 8),
                   get32(bytes, at + 12)});
    EXPECT_EQ(bytes[at + 16 + length], '\0');
    at += 16 + length + 1;
  }
  EXPECT_EQ(at, bytes.size());
  return out;
}

using LoaderLogTest = LoaderClientTest;

TEST_F(LoaderLogTest, BeginRecordIsByteExact) {
  RawLoader loader;
  loader_identify("ports");
  loader_flush_log();
  loader_close();
  const std::string bytes = loader.received();
  ASSERT_EQ(bytes.substr(0, 6), "log:1\n");
  ASSERT_EQ(bytes.size(), 6u + 16 + 20 + 1);
  EXPECT_EQ(bytes.substr(6, 8), std::string("\xFC\xA9\x14\x00\x04\x00\x00\x00", 8));
  EXPECT_EQ(bytes.substr(22), std::string("Begin, version=1.57\n") + '\0');
  EXPECT_EQ(loader_log_count(), 0);
}

TEST_F(LoaderLogTest, ToolCodes) {
  struct Case {
    const char* tool;
    int code;
  } cases[] = {{"post_compile", 1}, {"reboot", 2}, {"upload", 3}, {"ports", 4}, {"serialmon", 5}, {"size", 6}};
  for (const Case& c : cases) {
    loader_identify(c.tool);
    EXPECT_EQ(loader_tool_code(), c.code) << c.tool;
  }
}

TEST_F(LoaderLogTest, MessagesKeepTheirOrderCutsAndDistinctTimes) {
  loader_identify("post_compile");
  for (int i = 0; i < 200; ++i) loader_log("message %d\n", i);
  loader_verbose("quiet unless verbose\n");
  loader_log("%s", "");  // empty: not stored
  loader_log("%s", std::string(10000, 'z').c_str());
  RawLoader loader;
  loader_close();
  std::vector<Record> records = parse_batch(loader.received());
  ASSERT_EQ(records.size(), 1u + 200 + 1 + 1);
  EXPECT_EQ(records[5].text, "message 4\n");
  EXPECT_EQ(records[201].text, "quiet unless verbose\n");
  EXPECT_EQ(records[202].text, std::string(8191, 'z'));
  for (size_t i = 1; i < records.size(); ++i) {
    EXPECT_EQ(records[i].code, 1);
    const bool later = records[i].seconds > records[i - 1].seconds ||
                       (records[i].seconds == records[i - 1].seconds && records[i].micros > records[i - 1].micros);
    EXPECT_TRUE(later) << "record " << i << " is not later than the one before";
  }
}

TEST_F(LoaderLogTest, WithoutALoaderTheLogWaitsForOne) {
  loader_identify("serialmon");
  loader_log("first\n");
  loader_flush_log();  // nobody listens
  EXPECT_EQ(loader_log_count(), 2);
  EXPECT_EQ(loader_descriptor(), -1);
  RawLoader loader;
  loader_log("second\n");
  loader_close();
  std::vector<Record> records = parse_batch(loader.received());
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].text, "first\n");
  EXPECT_EQ(records[2].text, "second\n");
}

TEST_F(LoaderLogTest, ABatchCutShortIsSentWholeNextTime) {
  loader_identify("ports");
  const std::string filler(2000, 'f');
  for (int i = 0; i < 2000; ++i) loader_log("%d %s\n", i, filler.c_str());
  {
    RawLoader leaves_early(1000);  // reads a little, then hangs up
    loader_flush_log();
    for (int i = 0; i < 20 && loader_descriptor() != -1; ++i) loader_flush_log();
  }
  EXPECT_EQ(loader_descriptor(), -1);
  EXPECT_EQ(loader_log_count(), 2001);
  RawLoader loader;
  loader_close();
  std::vector<Record> records = parse_batch(loader.received());
  ASSERT_EQ(records.size(), 2001u);
  EXPECT_EQ(records[2000].text, "1999 " + filler + "\n");
}

TEST_F(LoaderLogTest, TheLogHoldsAtMost60000Messages) {
  for (int i = 0; i < 60005; ++i) loader_log("m\n");
  EXPECT_EQ(loader_log_count(), 60000);
}

}  // namespace
