// kestro_serialmon: relays bytes between the IDE and the board at one
// USB location, following the board across reconnections.
#include <fcntl.h>

#include <cstdio>
#include <cstring>

#include "loader_log.h"
#include "serialmon.h"
#include "usb_tree.h"

namespace {

void make_nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

int main(int argc, char** argv) {
  // Status lines appear at the flushes after each step, so "Opened" is seen
  // only once the port is configured and its stale input discarded.
  static char stderr_buffer[BUFSIZ];
  std::setvbuf(stderr, stderr_buffer, _IOFBF, sizeof stderr_buffer);
  loader_identify("serialmon");
  int at = 1;
  if (argc > 1 && std::strcmp(argv[1], "-v") == 0) {
    loader_set_verbose(true);
    at = 2;
  }
  if (argc <= at) {
    std::fputs("Usage: kestro_serialmon [-v] <syspath>\n", stderr);
    return 1;
  }
  serialmon_set_location(argv[at]);
  loader_verbose("listening for location: %s\n", argv[at]);
  usb_discovery_start({port_open, port_close});
  const int monitor_fd = usb_monitor_fd();
  make_nonblocking(0);
  make_nonblocking(1);
  loader_flush_log();
  serialmon_loop(monitor_fd);
}
