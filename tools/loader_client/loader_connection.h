// The connection to the Kestro Loader on the local host.
#pragma once

#include <cstddef>

constexpr int LOADER_PORTS[] = {3149, 25981, 6837};
constexpr std::size_t RECEIVE_BUFFER_SIZE = 4096;
constexpr int GREETING_TIMEOUT_MS = 5500;
constexpr int REPLY_TIMEOUT_MS = 6500;

/// Opens the loader connection unless one is open: tries the three ports in
/// order and accepts the first peer that greets with "Kestro Loader %d.%d".
bool loader_connect();

/// Delivers the next line (without "\n", and without a final "\r") into
/// `line`, at most capacity-1 characters; the rest of a longer line is
/// dropped. Each wait for data lasts at most `timeout_ms`. False on a
/// time-out, when the peer closes, or when the buffer fills without a line.
bool loader_read_line(int fd, char* line, std::size_t capacity, int timeout_ms);

/// Throws away whatever is waiting on the socket now; the receive buffer
/// keeps its lines.
void loader_drain(int fd);

/// Sends `text` (with its own "\n"). False when not connected or not every
/// byte went out.
bool loader_send_command(const char* text);

/// The time-out of the next loader_wait_ok only.
void loader_set_reply_timeout(int ms);

/// True when the next reply line is exactly "Ok".
bool loader_wait_ok();

bool loader_version_at_least(int major, int minor);

/// The loader's version as "%d.%02d", valid until the next call.
const char* loader_version_text();

/// Logs "Disconnect", flushes the log, pauses 10 ms, then shuts the
/// connection down and closes it.
void loader_disconnect();

/// Flushes the log and closes the connection.
void loader_close();

/// The connection descriptor, or -1.
int loader_descriptor();

/// Marks the process not connected without closing (the tool's start).
void loader_forget_connection();

/// Closes a connection that failed during a log batch and marks the process
/// not connected.
void loader_drop_connection();

/// Forgets the connection, the version and the buffered bytes (tests).
void loader_connection_reset();
