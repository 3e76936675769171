#include "serialmon.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "board_id.h"
#include "loader_log.h"
#include "ring.h"

namespace {

// The rings sit in zero-filled storage and are touched only as bytes pass,
// so an idle monitor stays small in memory.
struct MonitorState {
  std::string wanted;
  int port = -1;
  bool seremu = false;
  timespec last_report{};
  int errors = 0;
  Ring<OUTPUT_RING> output;
  Ring<INPUT_RING> input;
};

MonitorState state;

constexpr unsigned long HIDIOCSFEATURE_5 = 0xC0054806;

timespec now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts;
}

void count_error(const char* fatal_text) {
  if (++state.errors > SERIALMON_ERRORS_MAX) loader_fatal("%s", fatal_text);
}

// Drops carriage returns (and, from a seremu board, the zero padding) from
// bytes as they arrive, so that what the ring holds is exactly what standard
// output gets, and a short write to it loses nothing.
std::size_t filter(unsigned char* bytes, std::size_t n) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < n; ++i)
    if (bytes[i] != 0x0D && !(state.seremu && bytes[i] == 0x00)) bytes[kept++] = bytes[i];
  return kept;
}

// A tty gives at most a few kilobytes per read; reading on while it has
// more (up to 64 KiB a turn) lets one write to standard output carry them
// all, which spares the reader at the other end a wake-up per read.
void board_to_ring() {
  std::size_t budget = BOARD_READ_MAX;
  for (bool first = true; budget > 0 && state.output.has_space(); first = false) {
    std::size_t room = state.output.free_stretch();
    if (room > budget) room = budget;
    ssize_t n = read(state.port, state.output.write_ptr(), room);
    if (n <= 0) {
      if (first) usleep(n == 0 ? 5000 : 15000);
      return;
    }
    state.output.added(filter(state.output.write_ptr(), static_cast<std::size_t>(n)));
    budget -= static_cast<std::size_t>(n);
  }
}

void ring_to_stdout() {
  ssize_t n = write(1, state.output.read_ptr(), state.output.filled_stretch());
  if (n > 0) state.output.consumed(static_cast<std::size_t>(n));
}

void stdin_to_ring() {
  std::size_t room = state.input.free_stretch();
  if (state.seremu && room > SEREMU_REPORT) room = SEREMU_REPORT;
  ssize_t n = read(0, state.input.write_ptr(), room);
  if (n > 0) {
    state.input.added(static_cast<std::size_t>(n));
  } else if (n == 0) {
    count_error("stdin reading all zero\n");
  } else if (errno != EINTR && errno != EAGAIN) {
    loader_fatal("error reading stdin\n");
  }
}

void ring_to_board() {
  const std::size_t n = state.input.filled_stretch();
  if (!state.seremu) {
    ssize_t w = write(state.port, state.input.read_ptr(), n);
    if (w > 0) state.input.consumed(static_cast<std::size_t>(w));
    return;
  }
  if (n == 0) return;
  const timespec t = now();
  const double since = static_cast<double>(t.tv_sec - state.last_report.tv_sec) +
                       (t.tv_nsec - state.last_report.tv_nsec) * 1e-9;
  if (since <= SEREMU_REPORT_GAP_S) return;
  unsigned char report[SEREMU_REPORT] = {};
  const std::size_t k = n < SEREMU_REPORT ? n : SEREMU_REPORT;
  std::memcpy(report, state.input.read_ptr(), k);
  ssize_t w = write(state.port, report, SEREMU_REPORT);
  if (w > 0) state.input.consumed(k);
  state.last_report = t;
}

bool open_port(const UsbDevice& d) {
  state.port = open(d.devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (state.port >= 0) return true;
  std::fprintf(stderr, "Unable to open %s\n", d.devnode.c_str());
  loader_verbose("can't open %s\n", d.devnode.c_str());
  std::fflush(stderr);
  return false;
}

}  // namespace

void serialmon_set_location(const std::string& location) { state.wanted = location; }

void port_open(const UsbDevice& d) {
  if (state.port < 0 && d.location == state.wanted && d.has_subsystem) {
    if (d.subsystem == "tty") {
      if (open_port(d)) {
        std::fprintf(stderr, "Opened %s %s\n", d.devnode.c_str(), usb_type_name(d.vid, d.pid, d.version));
        loader_verbose("open serial %s\n", d.devnode.c_str());
        state.seremu = false;
        termios settings{};
        if (tcgetattr(state.port, &settings) != 0) {
          std::fprintf(stderr, "Unable to get settings for %s\n", d.devnode.c_str());
        } else {
          cfmakeraw(&settings);
          if (tcsetattr(state.port, TCSANOW, &settings) != 0)
            std::fprintf(stderr, "Unable to configure %s\n", d.devnode.c_str());
        }
        tcflush(state.port, TCIFLUSH);
        std::fflush(stderr);
      }
    } else if (d.subsystem == "hidraw") {
      if (d.ifacenum != seremu_interface(d.vid, d.pid)) {
        loader_verbose("opps, hidraw on interface %d\n", d.ifacenum);
      } else if (open_port(d)) {
        std::fprintf(stderr, "Opened %s %s\n", d.devnode.c_str(), usb_type_name(d.vid, d.pid, d.version));
        loader_verbose("open seremu %s\n", d.devnode.c_str());
        unsigned char feature[5] = {0x00, 0x8B, 0xC5, 0x1D, 0x70};
        ioctl(state.port, HIDIOCSFEATURE_5, feature);
        state.seremu = true;
        std::fflush(stderr);
      }
    }
  }
  loader_flush_log();
}

void port_close(const UsbDevice& d) {
  if (state.port >= 0 && d.location == state.wanted) {
    std::fprintf(stderr, "Disconnect %s\n", d.devnode.c_str());
    std::fflush(stderr);
    loader_log("Disconnected %s\n", d.devnode.c_str());
    close(state.port);
    state.port = -1;
  }
  loader_flush_log();
}

void serialmon_loop(int monitor_fd) {
  for (;;) {
    fd_set readable, writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    int top = monitor_fd;
    FD_SET(monitor_fd, &readable);
    if (!state.output.empty()) FD_SET(1, &writable);
    if (state.input.has_space()) FD_SET(0, &readable);
    if (state.port >= 0) {
      if (state.output.has_space()) FD_SET(state.port, &readable);
      if (!state.input.empty()) FD_SET(state.port, &writable);
      if (state.port > top) top = state.port;
    }
    if (select(top + 1, &readable, &writable, nullptr, nullptr) < 0) {
      count_error("error in select\n");
      // The sets are unchanged after a failed select: go on with what was asked.
    }
    if (state.port >= 0 && FD_ISSET(state.port, &readable)) board_to_ring();
    // Bytes just read go out in the same turn when standard output takes
    // them; a full pipe only answers EAGAIN and they wait for the next.
    if (FD_ISSET(1, &writable) || !state.output.empty()) ring_to_stdout();
    if (FD_ISSET(0, &readable)) stdin_to_ring();
    if (state.port >= 0 && (FD_ISSET(state.port, &writable) || state.seremu)) ring_to_board();
    if (FD_ISSET(monitor_fd, &readable)) usb_monitor_event();
  }
}
