#include "loader_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "loader_log.h"

namespace {

constexpr int WAIT_ERRORS_MAX = 12;
constexpr int DISCONNECT_PAUSE_US = 10000;

struct ConnectionState {
  int fd = -1;
  int major = 0;
  int minor = 0;
  char version_text[32] = {};
  char buffer[RECEIVE_BUFFER_SIZE] = {};
  std::size_t fill = 0;
  int next_reply_timeout = 0;
};

ConnectionState state;

void close_quietly(int fd) {
  if (fd >= 0) close(fd);
}

int connect_port(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -2;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<unsigned short>(port));
  inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool parse_greeting(const char* line, int& major, int& minor) {
  const char* prefix = "Kestro Loader ";
  if (std::strncmp(line, prefix, 14) != 0) return false;
  return std::sscanf(line + 14, "%d.%d", &major, &minor) == 2;
}

}  // namespace

bool loader_connect() {
  if (state.fd != -1) return true;
  for (int port : LOADER_PORTS) {
    int fd = connect_port(port);
    if (fd == -2) {
      state.fd = -1;
      loader_log("Unable to create localhost IPC socket\n");
      // No connection can be opened to carry the log, so this flush sends
      // nothing; it must not come back here.
      std::fputs("Unable to create localhost IPC socket\n", stdout);
      std::fputs(loader_support_notice(), stdout);
      std::fflush(stdout);
      return false;
    }
    if (fd < 0) continue;
    char greeting[80];
    int major = 0, minor = 0;
    if (loader_read_line(fd, greeting, sizeof greeting, GREETING_TIMEOUT_MS) &&
        parse_greeting(greeting, major, minor)) {
      state.fd = fd;
      state.major = major;
      state.minor = minor;
      return true;
    }
    close(fd);
  }
  state.fd = -1;
  return false;
}

bool loader_read_line(int fd, char* line, std::size_t capacity, int timeout_ms) {
  int wait_errors = 0;
  for (;;) {
    if (void* nl = std::memchr(state.buffer, '\n', state.fill)) {
      const std::size_t p = static_cast<std::size_t>(static_cast<char*>(nl) - state.buffer);
      const std::size_t k = p < capacity - 1 ? p : capacity - 1;
      std::memcpy(line, state.buffer, k);
      line[k] = '\0';
      if (k > 0 && line[k - 1] == '\r') line[k - 1] = '\0';
      std::memmove(state.buffer, state.buffer + p + 1, state.fill - p - 1);
      state.fill -= p + 1;
      return true;
    }
    // A full buffer without a line end can never become a line: give up
    // rather than wait on data that has nowhere to go.
    if (state.fill == sizeof state.buffer || fd < 0) return false;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    timeval tv{timeout_ms / 1000, static_cast<suseconds_t>((timeout_ms * 1000L) % 1000000)};
    int r = select(fd + 1, &readable, nullptr, nullptr, &tv);
    if (r == 0) return false;
    if (r < 0) {
      if (++wait_errors >= WAIT_ERRORS_MAX) return false;
      continue;
    }
    ssize_t got = recv(fd, state.buffer + state.fill, sizeof state.buffer - state.fill, 0);
    if (got == 0) return false;  // the peer closed: no more lines will come
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    state.fill += static_cast<std::size_t>(got);
  }
}

void loader_drain(int fd) {
  for (;;) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    timeval tv{0, 0};
    if (select(fd + 1, &readable, nullptr, nullptr, &tv) <= 0) return;
    char junk[256];
    if (recv(fd, junk, sizeof junk, 0) <= 0) return;  // closed or failed: nothing more to drain
  }
}

bool loader_send_command(const char* text) {
  if (state.fd == -1) return false;
  loader_verbose("Sending command: %s", text);
  loader_drain(state.fd);
  const std::size_t length = std::strlen(text);
  ssize_t sent = send(state.fd, text, length, MSG_NOSIGNAL);
  if (sent >= 0 && static_cast<std::size_t>(sent) == length) return true;
  loader_verbose("  error sending, len=%d, r=%d\n", static_cast<int>(length), static_cast<int>(sent));
  return false;
}

void loader_set_reply_timeout(int ms) { state.next_reply_timeout = ms; }

bool loader_wait_ok() {
  int timeout = state.next_reply_timeout > 0 ? state.next_reply_timeout : REPLY_TIMEOUT_MS;
  state.next_reply_timeout = 0;
  if (state.fd == -1) return false;
  char line[1024];
  if (!loader_read_line(state.fd, line, sizeof line, timeout)) return false;
  return std::strcmp(line, "Ok") == 0;
}

bool loader_version_at_least(int major, int minor) {
  return state.major > major || (state.major == major && state.minor >= minor);
}

const char* loader_version_text() {
  std::snprintf(state.version_text, sizeof state.version_text, "%d.%02d", state.major, state.minor);
  return state.version_text;
}

void loader_disconnect() {
  if (state.fd == -1) return;
  loader_log("Disconnect");
  loader_flush_log();
  usleep(DISCONNECT_PAUSE_US);
  if (state.fd != -1) {
    loader_drain(state.fd);
    shutdown(state.fd, SHUT_RDWR);
    close(state.fd);
    state.fd = -1;
  }
  loader_flush_log();
}

void loader_close() {
  loader_flush_log();
  if (state.fd != -1) {
    close(state.fd);
    state.fd = -1;
  }
}

int loader_descriptor() { return state.fd; }

void loader_forget_connection() { state.fd = -1; }

void loader_drop_connection() {
  close_quietly(state.fd);
  state.fd = -1;
}

void loader_connection_reset() {
  close_quietly(state.fd);
  state = ConnectionState{};
}
