#include "loader_status.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "loader_connection.h"
#include "loader_log.h"

namespace {

LoaderStatus status;

constexpr unsigned ALL_FIELDS = 0xFF;

// "<key><any one character><number>": the number must follow at once,
// after optional white space and sign, as scanf reads it.
bool numeric_value(const char* line, const char* key, const char* format, void* out) {
  const std::size_t n = std::strlen(key);
  if (std::strncmp(line, key, n) != 0 || line[n] == '\0') return false;
  return std::sscanf(line + n + 1, format, out) == 1;
}

}  // namespace

const LoaderStatus& loader_status() { return status; }

unsigned loader_parse_status_line(const char* line, LoaderStatus& s) {
  int i = 0;
  unsigned u = 0;
  if (numeric_value(line, "readable", "%d", &i)) return s.readable = i, 0x01;
  if (numeric_value(line, "auto", "%d", &i)) return s.automatic = i, 0x02;
  if (numeric_value(line, "online", "%d", &i)) return s.online = i, 0x04;
  if (numeric_value(line, "online_count", "%u", &u)) return s.online_count = u, 0x08;
  if (numeric_value(line, "offline_count", "%u", &u)) return s.offline_count = u, 0x10;
  if (numeric_value(line, "state", "%d", &i)) return s.state = i, 0x20;
  if (std::strncmp(line, "dir:", 4) == 0) {
    std::snprintf(s.dir, sizeof s.dir, "%s", line + 4);
    return 0x40;
  }
  if (std::strncmp(line, "file:", 5) == 0) {
    std::snprintf(s.file, sizeof s.file, "%s", line + 5);
    return 0x80;
  }
  return 0;
}

bool loader_query_status(int fd) {
  unsigned mask = 0;
  for (int attempt = 0; attempt < STATUS_ATTEMPTS; ++attempt) {
    if (attempt > 0) usleep(1000);
    status = LoaderStatus{};
    loader_drain(fd);
    send(fd, "status\n", 7, MSG_NOSIGNAL);
    mask = 0;
    char line[2048];
    int timeout = STATUS_FIRST_LINE_MS;
    while (loader_read_line(fd, line, sizeof line, timeout)) {
      timeout = STATUS_NEXT_LINE_MS;
      if (std::strcmp(line, "EOT") == 0) {
        if (mask != ALL_FIELDS) break;
        loader_log("Status: %d, %d, %d, %u, %u, %d, %s, %s\n", status.readable, status.automatic, status.online,
                   status.online_count, status.offline_count, status.state, status.dir, status.file);
        return true;
      }
      mask |= loader_parse_status_line(line, status);
    }
  }
  std::fputs("Error reading Kestro Loader status!  (tpc)", stdout);
  loader_log("Error reading Kestro Loader status!  fieldmask=%02X\n", mask);
  std::fputs(loader_support_notice(), stdout);
  std::fflush(stdout);
  loader_flush_log();
  std::exit(1);
}

bool loader_wait_idle() {
  for (int round = 0; round < IDLE_ROUNDS; ++round) {
    loader_query_status(loader_descriptor());
    if (status.state == 0) return true;
    usleep(50000);
  }
  return false;
}
