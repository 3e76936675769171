#include "loader_log.h"

#include <sys/socket.h>
#include <sys/time.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "loader_connection.h"

namespace {

struct LogEntry {
  std::int64_t seconds;
  std::uint32_t micros;
  std::uint32_t offset;  // of the text in the pool
};

// The two areas live in zero-filled storage that is touched only as
// messages arrive, so an idle tool stays small in memory.
struct LogState {
  int tool_code;
  bool verbose;
  int count;
  std::size_t write_at;
  std::int64_t last_seconds;
  std::uint32_t last_micros;
  unsigned repeats;
  LogEntry entries[LOG_MAX_ENTRIES];
  char pool[LOG_TEXT_POOL];
};

LogState state;

constexpr const char* SUPPORT_NOTICE =
    "This error should never happen (when using Arduino).  Please report this to support@kestrokit.example.org."
    "  In Kestro Loader, click Help > Verbose Info, then click Log > Save As and attach the log file to your "
    "message.  The log info is essential for any hope of figuring out what went wrong here!";

void store(const char* text, std::size_t length) {
  if (length == 0 || state.count >= LOG_MAX_ENTRIES) return;
  const std::size_t free_bytes = LOG_TEXT_POOL - state.write_at;
  if (free_bytes < LOG_MIN_FREE) return;
  LogEntry& e = state.entries[state.count];
  timeval now{};
  if (gettimeofday(&now, nullptr) == 0) {
    const std::int64_t s = now.tv_sec;
    const std::uint32_t us = static_cast<std::uint32_t>(now.tv_usec);
    e.seconds = s;
    e.micros = us;
    // Equal readings are made distinct so that the loader can order them.
    if (s == state.last_seconds && us == state.last_micros) {
      ++state.repeats;
      e.micros += state.repeats;
    } else {
      state.last_seconds = s;
      state.last_micros = us;
      state.repeats = 0;
    }
    // A fresh reading can land on a stamp that an earlier repeat already
    // took (t, t+1, then a real t+1); keep the stamps strictly increasing.
    if (state.count > 0) {
      const LogEntry& before = state.entries[state.count - 1];
      if (e.seconds == before.seconds && e.micros <= before.micros) e.micros = before.micros + 1;
    }
  }
  const std::size_t n = length < free_bytes - 1 ? length : free_bytes - 1;
  std::memcpy(state.pool + state.write_at, text, n);
  state.pool[state.write_at + n] = '\0';
  e.offset = static_cast<std::uint32_t>(state.write_at);
  state.write_at += n + 1;
  ++state.count;
}

std::size_t format(char* buffer, const char* fmt, va_list args) {
  int n = std::vsnprintf(buffer, MESSAGE_SIZE, fmt, args);
  if (n < 0) return 0;
  return static_cast<std::size_t>(n) < MESSAGE_SIZE ? static_cast<std::size_t>(n) : MESSAGE_SIZE - 1;
}

void to_stderr(const char* text, std::size_t length) {
  std::fwrite(text, 1, length, stderr);
  std::fflush(stderr);
}

bool send_all(int fd, const void* bytes, std::size_t length) {
  ssize_t sent = send(fd, bytes, length, MSG_NOSIGNAL);
  return sent >= 0 && static_cast<std::size_t>(sent) == length;
}

void put32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

void loader_identify(const char* tool) {
  static const struct {
    const char* name;
    int code;
  } codes[] = {{"post_compile", 1}, {"reboot", 2}, {"upload", 3}, {"ports", 4}, {"serialmon", 5}};
  state.tool_code = 6;
  for (const auto& c : codes)
    if (std::strcmp(tool, c.name) == 0) state.tool_code = c.code;
  loader_forget_connection();
  loader_log("Begin, version=%s%s\n", KESTRO_PACKAGE_VERSION, "");
}

void loader_log(const char* fmt, ...) {
  char text[MESSAGE_SIZE];
  va_list args;
  va_start(args, fmt);
  std::size_t n = format(text, fmt, args);
  va_end(args);
  store(text, n);
}

void loader_verbose(const char* fmt, ...) {
  char text[MESSAGE_SIZE];
  va_list args;
  va_start(args, fmt);
  std::size_t n = format(text, fmt, args);
  va_end(args);
  if (n == 0) return;
  if (state.verbose) to_stderr(text, n);
  store(text, n);
}

void loader_fatal(const char* fmt, ...) {
  char text[MESSAGE_SIZE];
  va_list args;
  va_start(args, fmt);
  std::size_t n = format(text, fmt, args);
  va_end(args);
  if (n > 0) {
    to_stderr(text, n);
    store(text, n);
  }
  loader_close();
  std::exit(1);
}

void loader_flush_log() {
  if (state.count == 0 || !loader_connect()) return;
  const int fd = loader_descriptor();
  char line[32];
  int n = std::snprintf(line, sizeof line, "log:%d\n", state.count);
  bool ok = send_all(fd, line, static_cast<std::size_t>(n));
  for (int i = 0; ok && i < state.count; ++i) {
    const LogEntry& e = state.entries[i];
    const char* text = state.pool + e.offset;
    const std::size_t length = std::strlen(text);
    unsigned char header[16] = {0xFC, 0xA9};
    header[2] = static_cast<unsigned char>(length & 0xFF);
    header[3] = static_cast<unsigned char>(length >> 8);
    header[4] = static_cast<unsigned char>(state.tool_code);
    put32(header + 8, static_cast<std::uint32_t>(e.seconds));
    put32(header + 12, e.micros);
    ok = send_all(fd, header, sizeof header) && send_all(fd, text, length + 1);
  }
  if (!ok) {
    // The loader has gone: keep every message for the next flush, which
    // connects anew and sends them all again.
    loader_drop_connection();
    return;
  }
  state.count = 0;
  state.write_at = 0;
}

void loader_set_verbose(bool on) { state.verbose = on; }
bool loader_is_verbose() { return state.verbose; }
const char* loader_support_notice() { return SUPPORT_NOTICE; }
int loader_tool_code() { return state.tool_code; }
int loader_log_count() { return state.count; }

void loader_log_reset() {
  state.tool_code = 0;
  state.verbose = false;
  state.count = 0;
  state.write_at = 0;
  state.last_seconds = 0;
  state.last_micros = 0;
  state.repeats = 0;
}
