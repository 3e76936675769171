// kestro_serialmon on simulated boards: a tty board and an emulated-serial
// (seremu) board, each test in a network of its own so that the tool's log
// flushes never meet a real loader.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "loader_peer_process.h"
#include "run_program.h"
#include "usb_boards.h"
#include "usb_testbed.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string serial_board(const std::string& port, const char* tty_name = "ttyACM0") {
  return usb_device(port, "16c0", "0483", "0275") + interface(port, 0) + tty(port, 0, tty_name);
}

std::string seremu_board(const std::string& port) {
  return usb_device(port, "16c0", "0486", "0276") + interface(port, 0) + interface(port, 1) +
         hid(port, 1, SEREMU_DESCRIPTOR, "hidraw3");
}

// Reads what the board side receives until `count` bytes came or `seconds`
// passed.
std::string board_reads(int fd, size_t count, double seconds, Clock::time_point* last = nullptr) {
  std::string got;
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  while (got.size() < count && Clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      got.append(buf, static_cast<size_t>(n));
      if (last) *last = Clock::now();
    }
  }
  return got;
}

class SerialmonTest : public ::testing::Test {
 protected:
  void SetUp() override { enter_private_network(); }
  UsbTestbed testbed;
};

TEST_F(SerialmonTest, TtyRelayBothWaysWithoutCarriageReturns) {
  testbed.add(serial_board("1-2"));
  const int board = testbed.dev_fd("/dev/ttyACM0");
  ToolProcess mon(testbed, {bin_path("kestro_serialmon"), usb_syspath("1-2")});
  ASSERT_TRUE(mon.wait_for_error("Opened /dev/ttyACM0 Serial\n", 10)) << mon.err;
  ASSERT_EQ(write(board, "a\r\nb\r\n", 6), 6);
  ASSERT_TRUE(mon.wait_for_output("a\nb\n", 5)) << mon.out;
  EXPECT_EQ(mon.out, "a\nb\n");
  mon.write_stdin("typed\r\n");
  EXPECT_EQ(board_reads(board, 7, 5), "typed\r\n");
}

// Disabled: on the umockdev pty the relay stalls after about 128 KiB once
// standard output has been left unread for a while; not yet known whether
// the tool or the testbed holds the bytes. Kept so that it is fixed, not lost.
TEST_F(SerialmonTest, ASlowReaderLosesNothing) {
  testbed.add(serial_board("1-2"));
  const int board = testbed.dev_fd("/dev/ttyACM0");
  ToolProcess mon(testbed, {bin_path("kestro_serialmon"), usb_syspath("1-2")});
  ASSERT_TRUE(mon.wait_for_error("Opened /dev/ttyACM0 Serial\n", 10)) << mon.err;
  // Two megabytes while nobody reads standard output: its pipe fills, the
  // monitor's writes to it come up short, and the ring must keep the rest.
  std::string sent;
  for (int i = 0; sent.size() < 2 * 1024 * 1024; ++i) sent += "line " + std::to_string(i) + "\n";
  fcntl(board, F_SETFL, fcntl(board, F_GETFL) | O_NONBLOCK);
  size_t done = 0;
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (done < sent.size() && Clock::now() < deadline) {
    pollfd p{board, POLLOUT, 0};
    poll(&p, 1, 50);
    ssize_t n = write(board, sent.data() + done, std::min<size_t>(4096, sent.size() - done));
    if (n > 0) done += static_cast<size_t>(n);
  }
  ASSERT_EQ(done, sent.size());
  ASSERT_TRUE(mon.wait_for_output(sent.substr(sent.size() - 20), 20)) << mon.err << mon.out.size();
  EXPECT_EQ(mon.out.size(), sent.size());
  EXPECT_TRUE(mon.out == sent) << mon.out.substr(0, 200) << "\n...\n" << mon.out.substr(mon.out.size() - 100);
}

TEST_F(SerialmonTest, FollowsTheBoardAcrossReconnectionAtItsLocation) {
  testbed.add(serial_board("1-2"));
  ToolProcess mon(testbed, {bin_path("kestro_serialmon"), usb_syspath("1-2")});
  ASSERT_TRUE(mon.wait_for_error("Opened /dev/ttyACM0 Serial\n", 10)) << mon.err;
  // Its nodes go first, so at the device's own removal the record's node is
  // the USB device's.
  testbed.unplug({tty_syspath("1-2", 0, "ttyACM0"), interface_syspath("1-2", 0), usb_syspath("1-2")});
  ASSERT_TRUE(mon.wait_for_error("Disconnect /dev/bus/usb/001/002\n", 5)) << mon.err;
  mon.write_stdin("typed while away");
  mon.pump(0.3);
  // A board at another USB port is not ours.
  testbed.plug(serial_board("1-3", "ttyACM2"));
  mon.pump(0.5);
  EXPECT_EQ(mon.err.find("ttyACM2"), std::string::npos) << mon.err;
  // The board comes back where it was (the testbed names its tty anew).
  testbed.plug(serial_board("1-2", "ttyACM1"));
  ASSERT_TRUE(mon.wait_for_error("Opened /dev/ttyACM1 Serial\n", 5)) << mon.err;
  EXPECT_EQ(board_reads(testbed.dev_fd("/dev/ttyACM1"), 16, 5), "typed while away");
  EXPECT_EQ(mon.err, "Opened /dev/ttyACM0 Serial\nDisconnect /dev/bus/usb/001/002\nOpened /dev/ttyACM1 Serial\n");
}

TEST_F(SerialmonTest, SeremuReportsAreThirtyTwoBytesPaddedAndPaced) {
  testbed.add(seremu_board("1-3"));
  const int board = testbed.dev_fd("/dev/hidraw3");
  ToolProcess mon(testbed, {bin_path("kestro_serialmon"), usb_syspath("1-3")});
  ASSERT_TRUE(mon.wait_for_error("Opened /dev/hidraw3 RawHID\n", 10)) << mon.err;

  std::string report = "hi\r\nthere\n";
  report.resize(32, '\0');
  ASSERT_EQ(write(board, report.data(), 32), 32);
  ASSERT_TRUE(mon.wait_for_output("there\n", 5)) << mon.out;
  EXPECT_EQ(mon.out, "hi\nthere\n");

  const std::string typed = "0123456789abcdefghijklmnopqrstuvwxyzABCD";  // 40 bytes
  EXPECT_EQ(board_reads(board, 1, 0.2), "");  // nothing before anything is typed
  mon.write_stdin(typed);
  std::string expected = typed + std::string(24, '\0');
  EXPECT_EQ(board_reads(board, 64, 5), expected);

  // Thirteen reports cannot all arrive sooner than twelve gaps of 1.9 ms
  // after the bytes were typed.
  const std::string many(13 * 32, 'x');
  const auto typed_at = Clock::now();
  Clock::time_point last_arrival{};
  mon.write_stdin(many);
  EXPECT_EQ(board_reads(board, many.size(), 5, &last_arrival), many);
  EXPECT_GE(std::chrono::duration<double>(last_arrival - typed_at).count(), 12 * 0.0019);
}

TEST_F(SerialmonTest, TheEndOfStandardInputEndsTheTool) {
  testbed.add(serial_board("1-2"));
  ToolProcess mon(testbed, {bin_path("kestro_serialmon"), usb_syspath("1-2")});
  ASSERT_TRUE(mon.wait_for_error("Opened", 10)) << mon.err;
  mon.close_stdin();
  EXPECT_EQ(mon.wait_exit(5), 1);
  EXPECT_EQ(mon.err, "Opened /dev/ttyACM0 Serial\nstdin reading all zero\n");
}

TEST_F(SerialmonTest, UsageAndAHidrawNodeOnTheWrongInterface) {
  RunResult r = run_program({bin_path("kestro_serialmon"), "-v"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Usage: kestro_serialmon [-v] <syspath>\n");
  // RawHID carries its emulated serial port on interface 1, not 0.
  testbed.add(usb_device("1-4", "16c0", "0486", "0276", "bus/usb/001/004") + interface("1-4", 0) +
              hid("1-4", 0, SEREMU_DESCRIPTOR, "hidraw4"));
  ToolProcess mon(testbed, {bin_path("kestro_serialmon"), "-v", usb_syspath("1-4")});
  ASSERT_TRUE(mon.wait_for_error("opps, hidraw on interface 0\n", 10)) << mon.err;
  EXPECT_EQ(mon.err.find("Opened"), std::string::npos);
}

}  // namespace
