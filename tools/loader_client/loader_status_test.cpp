#include "loader_status.h"

#include <gtest/gtest.h>

#include <string>

#include "loader_connection.h"
#include "loader_log.h"
#include "loader_peer_process.h"
#include "loader_test_fixture.h"
#include "run_program.h"

namespace {

TEST(LoaderStatusTest, ReplyLines) {
  struct Case {
    const char* line;
    unsigned bit;
  } cases[] = {
      {"readable:1", 0x01}, {"readable=1", 0x01}, {"readable 1", 0x01}, {"readable:-3", 0x01},
      {"readable:x", 0x00}, {"readable", 0x00},   {"auto: 1", 0x02},     {"online:0", 0x04},
      {"online_count:3", 0x08}, {"offline_count=7", 0x10}, {"state:2 busy", 0x20},
      {"dir:", 0x40},       {"dir:/tmp/build/", 0x40}, {"file:Blink.ino.hex", 0x80},
      {"", 0x00},           {"EOF", 0x00},       {"Dir:/x", 0x00},
  };
  for (const Case& c : cases) {
    LoaderStatus s{};
    EXPECT_EQ(loader_parse_status_line(c.line, s), c.bit) << c.line;
  }
  LoaderStatus s{};
  loader_parse_status_line("online_count:3", s);
  EXPECT_EQ(s.online_count, 3u);
  EXPECT_EQ(s.online, 0);
  loader_parse_status_line(("file:" + std::string(2000, 'f')).c_str(), s);
  EXPECT_EQ(std::string(s.file), std::string(1023, 'f'));
}

using LoaderStatusPeerTest = LoaderClientTest;

TEST_F(LoaderStatusPeerTest, QueryReadsEveryField) {
  ScratchDir s;
  write_file(s / "Blink.ino.hex", ":00000001FF\n");
  LoaderPeer peer({"--dir=" + s.path() + "/", "--file=Blink.ino.hex", "--auto=1", "--online=1", "--crlf", "--split"});
  ASSERT_TRUE(loader_connect());
  ASSERT_TRUE(loader_query_status(loader_descriptor()));
  const LoaderStatus& st = loader_status();
  EXPECT_EQ(st.readable, 1);
  EXPECT_EQ(st.automatic, 1);
  EXPECT_EQ(st.online, 1);
  EXPECT_EQ(st.state, 0);
  EXPECT_EQ(std::string(st.dir), s.path() + "/");
  EXPECT_STREQ(st.file, "Blink.ino.hex");
  EXPECT_TRUE(loader_wait_idle());
}

TEST_F(LoaderStatusPeerTest, ABusyLoaderStaysBusy) {
  LoaderPeer peer({"--busy=6"});
  ASSERT_TRUE(loader_connect());
  EXPECT_FALSE(loader_wait_idle());
  EXPECT_EQ(loader_status().state, 2);
}

TEST_F(LoaderStatusPeerTest, BusyFiveTimesThenIdle) {
  LoaderPeer peer({"--busy=5"});
  ASSERT_TRUE(loader_connect());
  EXPECT_TRUE(loader_wait_idle());
}

}  // namespace
