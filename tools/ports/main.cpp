// kestro_ports: the IDE's discovery program for Kestro ports.
#include <sys/select.h>

#include <cstdio>
#include <cstring>

#include "loader_log.h"
#include "ports.h"
#include "usb_tree.h"

namespace {

constexpr int SELECT_ERRORS_MAX = 10;

int usage() {
  std::fputs("Usage:\n", stderr);
  std::fputs("  kestro_ports -L       Print quick list of ports\n", stderr);
  std::fputs("  kestro_ports          Monitor ports with JSON ver -1\n", stderr);
  std::fputs("  kestro_ports -J       Monitor ports with JSON ver -1\n", stderr);
  std::fputs("  kestro_ports -J2      Monitor ports with JSON ver 0\n", stderr);
  return 0;
}

[[noreturn]] void monitor() {
  const int fd = usb_monitor_fd();
  loader_flush_log();
  int errors = 0;
  for (;;) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    timeval tv{0, 100000};
    int r = select(fd + 1, &readable, nullptr, nullptr, ports_purge_pending() ? &tv : nullptr);
    if (r < 0 && ++errors > SELECT_ERRORS_MAX) loader_fatal("error in select\n");
    if (ports_purge_pending()) {
      ports_purge();
      loader_flush_log();
    }
    if (r > 0 && FD_ISSET(fd, &readable)) usb_monitor_event();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const char* option = argc > 1 ? argv[1] : nullptr;
  const UsbHooks hooks{port_add, port_gone};
  if (option && std::strcmp(option, "-L") == 0) {
    ports_set_mode(PortsMode::QuickList);
    usb_discovery_start(hooks);
    ports_print_quick_list();
    return 0;
  }
  if (option && std::strcmp(option, "-v") == 0) {
    loader_set_verbose(true);
    std::fputs("kestro_ports, verbose mode\n", stdout);
    std::fflush(stdout);
  } else if (option && std::strcmp(option, "-J2") == 0) {
    ports_set_mode(PortsMode::JsonNew);
  } else if (option && std::strcmp(option, "-J") != 0) {
    return usage();
  }
  loader_identify("ports");
  usb_discovery_start(hooks);
  monitor();
}
