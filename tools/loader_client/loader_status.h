// Asking the Kestro Loader what it is doing.
#pragma once

#include <cstddef>

constexpr std::size_t STATUS_TEXT_SIZE = 1024;
constexpr int STATUS_ATTEMPTS = 4;
constexpr int STATUS_FIRST_LINE_MS = 7500;
constexpr int STATUS_NEXT_LINE_MS = 3200;
constexpr int IDLE_ROUNDS = 6;

/// The reply to the last "status\n", cleared when a query begins.
struct LoaderStatus {
  int readable, automatic, online;
  unsigned online_count, offline_count;
  int state;
  char dir[STATUS_TEXT_SIZE];
  char file[STATUS_TEXT_SIZE];
};

const LoaderStatus& loader_status();

/// Parses one reply line into `status`; returns the field bit it set (0x01
/// readable ... 0x80 file), or 0 for a line that is no key.
unsigned loader_parse_status_line(const char* line, LoaderStatus& status);

/// Sends "status\n" and reads the reply until "EOT", up to four attempts.
/// After the fourth failure it reports, flushes the log and exits with
/// status 1. Returns true otherwise.
bool loader_query_status(int fd);

/// Up to six queries, 50 ms apart, until the loader reports state 0.
bool loader_wait_idle();
