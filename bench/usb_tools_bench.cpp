// Benchmarks of the board tools on a simulated board (an umockdev testbed).
// Run under umockdev-wrapper, as root (each in a network of its own):
//   umockdev-wrapper kestro_bench_usb_tools BIN_DIR [MEGABYTES]
//  (a) kestro_serialmon throughput, board to standard output and standard
//      input to board, against cat over the same pty in the same run;
//  (b) kestro_ports latency from a uevent to its JSON object, and from a
//      removal to the gone object (0.8 to 0.9 s by design);
//  (c) peak resident memory of each tool in steady state.
#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "private_network.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

struct Child {
  pid_t pid = -1;
  int in = -1, out = -1;
};

// Starts argv with pipes on standard input and output (standard error goes
// to /dev/null).
Child start(const std::vector<std::string>& argv) {
  int in[2], out[2];
  pipe2(in, O_CLOEXEC);
  pipe2(out, O_CLOEXEC);
  Child c;
  c.pid = fork();
  if (c.pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  c.in = in[1];
  c.out = out[0];
  return c;
}

void stop(Child& c) {
  kill(c.pid, SIGKILL);
  waitpid(c.pid, nullptr, 0);
  close(c.in);
  close(c.out);
}

long peak_rss_kib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

const char* BOARD =
    "P: /devices/pci0000:00/usb1/1-2\nN: bus/usb/001/002\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n"
    "E: DEVNAME=/dev/bus/usb/001/002\nA: idVendor=16c0\nA: idProduct=0483\nA: bcdDevice=0281\n\n"
    "P: /devices/pci0000:00/usb1/1-2/1-2:1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=00\n\n"
    "P: /devices/pci0000:00/usb1/1-2/1-2:1.0/tty/ttyACM0\nN: ttyACM0\nE: SUBSYSTEM=tty\nE: DEVNAME=/dev/ttyACM0\n";

// Moves `total` bytes through: written to `source`, read back from `sink`.
double pump(int source, int sink, size_t total) {
  std::string block(65536, 'k');
  for (size_t i = 0; i < block.size(); i += 64) block[i] = '\n';
  fcntl(source, F_SETFL, fcntl(source, F_GETFL) | O_NONBLOCK);
  fcntl(sink, F_SETFL, fcntl(sink, F_GETFL) | O_NONBLOCK);
  size_t sent = 0, got = 0;
  auto t0 = Clock::now();
  char buf[65536];
  while (got < total && since(t0) < 60) {
    pollfd p[2] = {{source, static_cast<short>(sent < total ? POLLOUT : 0), 0}, {sink, POLLIN, 0}};
    poll(p, 2, 100);
    if (sent < total && (p[0].revents & POLLOUT)) {
      ssize_t n = write(source, block.data(), std::min(block.size(), total - sent));
      if (n > 0) sent += static_cast<size_t>(n);
    }
    if (p[1].revents & POLLIN) {
      ssize_t n = read(sink, buf, sizeof buf);
      if (n > 0) got += static_cast<size_t>(n);
    }
  }
  return got == total ? since(t0) : -1;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}


}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: umockdev-wrapper kestro_bench_usb_tools BIN_DIR [MEGABYTES]\n", stderr);
    return 2;
  }
  const std::string bin = argv[1];
  const size_t total = (argc > 2 ? std::atol(argv[2]) : 32) * 1024 * 1024;
  private_network();
  UMockdevTestbed* testbed = umockdev_testbed_new();
  umockdev_testbed_add_from_string(testbed, BOARD, nullptr);
  const int board = umockdev_testbed_get_dev_fd(testbed, "/dev/ttyACM0");
  {
    // The yardstick reads the same pty, in raw mode like the monitor sets it.
    int slave = open("/dev/ttyACM0", O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    close(slave);
  }

  std::printf("(a) kestro_serialmon throughput over a pty, %zu MiB each way:\n", total >> 20);
  std::vector<double> mon_out, cat_out, mon_in, cat_in;
  long serialmon_rss = 0;
  for (int round = 0; round < 3; ++round) {
    Child cat = start({"/bin/cat", "/dev/ttyACM0"});
    usleep(100000);
    cat_out.push_back(pump(board, cat.out, total));
    stop(cat);
    Child cat_write = start({"/bin/sh", "-c", "exec cat > /dev/ttyACM0"});
    usleep(100000);
    cat_in.push_back(pump(cat_write.in, board, total));
    stop(cat_write);
    Child mon = start({bin + "/kestro_serialmon", "/sys/devices/pci0000:00/usb1/1-2"});
    usleep(300000);
    if (round == 0) {
      std::string small = "steady\n";
      write(board, small.data(), small.size());
      usleep(200000);
      char buf[64];
      read(mon.out, buf, sizeof buf);
      serialmon_rss = peak_rss_kib(mon.pid);
    }
    mon_out.push_back(pump(board, mon.out, total));
    mon_in.push_back(pump(mon.in, board, total));
    stop(mon);
  }
  const double a = median(mon_out), b = median(cat_out), c = median(mon_in), d = median(cat_in);
  std::printf("  board to stdout: kestro_serialmon %.1f MB/s, cat %.1f MB/s, ratio %.2f (target: at least 0.9)\n",
              total / a / 1e6, total / b / 1e6, b / a);
  std::printf("  stdin to board:  kestro_serialmon %.1f MB/s, cat %.1f MB/s, ratio %.2f\n", total / c / 1e6,
              total / d / 1e6, d / c);

  std::printf("(b) kestro_ports latency, median of 15:\n");
  Child ports = start({bin + "/kestro_ports", "-J"});
  usleep(500000);
  std::vector<double> add_latency, gone_latency;
  fcntl(ports.out, F_SETFL, O_NONBLOCK);
  auto wait_for = [&](const std::string& text, std::string& seen) {
    auto t0 = Clock::now();
    char buf[65536];
    while (seen.find(text) == std::string::npos && since(t0) < 5) {
      pollfd p{ports.out, POLLIN, 0};
      poll(&p, 1, 10);
      ssize_t n = read(ports.out, buf, sizeof buf);
      if (n > 0) seen.append(buf, static_cast<size_t>(n));
    }
  };
  for (int i = 0; i < 15; ++i) {
    const std::string port = "2-" + std::to_string(i + 1);
    const std::string syspath = "/sys/devices/pci0000:00/usb2/" + port;
    const std::string dev = "P: /devices/pci0000:00/usb2/" + port + "\nN: bus/usb/002/0" + std::to_string(10 + i) +
                            "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=16c0\nA: idProduct=0478\n"
                            "A: bcdDevice=0281\n";
    std::string seen;
    auto t0 = Clock::now();
    umockdev_testbed_add_from_string(testbed, dev.c_str(), nullptr);
    wait_for("\"" + syspath + "\",\n  \"online\": true", seen);
    add_latency.push_back(since(t0));
    seen.clear();
    t0 = Clock::now();
    umockdev_testbed_uevent(testbed, syspath.c_str(), "remove");
    wait_for("\"" + syspath + "\",\n  \"online\": false", seen);
    gone_latency.push_back(since(t0));
    umockdev_testbed_remove_device(testbed, syspath.c_str());
  }
  const long ports_rss = peak_rss_kib(ports.pid);
  stop(ports);
  std::printf("  uevent to its JSON object:   %.2f ms\n", median(add_latency) * 1e3);
  std::printf("  removal to the gone object:  %.3f s (0.8 to 0.9 s by design)\n", median(gone_latency));

  Child post = start({bin + "/kestro_post_compile", "-file=x", "-path=/nonexistent", "-tools=/nonexistent"});
  rusage usage{};
  int status = 0;
  wait4(post.pid, &status, 0, &usage);
  std::printf("(c) peak resident memory (target: under 4 MiB = 4096 KiB):\n");
  std::printf("  kestro_ports, watching %d boards come and go: %ld KiB\n", 15, ports_rss);
  std::printf("  kestro_serialmon, a board open:               %ld KiB\n", serialmon_rss);
  std::printf("  kestro_post_compile, a whole run:             %ld KiB\n", usage.ru_maxrss);
  return 0;
}
