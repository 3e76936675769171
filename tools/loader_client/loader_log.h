// The tools' message log: time-stamped diagnostics pushed to the Kestro
// Loader in log batches.
#pragma once

#include <cstddef>

constexpr int LOG_MAX_ENTRIES = 60000;
constexpr std::size_t LOG_TEXT_POOL = 8'000'000;
constexpr std::size_t LOG_MIN_FREE = 120;
constexpr std::size_t MESSAGE_SIZE = 8192;
constexpr const char* KESTRO_PACKAGE_VERSION = "1.57";

/// Sets the tool code from the tool name ("post_compile" 1, "reboot" 2,
/// "upload" 3, "ports" 4, "serialmon" 5, anything else 6), marks the process
/// not connected and stores "Begin, version=1.57\n". Call it first.
void loader_identify(const char* tool);

/// Formats (cut at 8191 characters) and stores; prints nothing.
void loader_log(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Formats and stores; also writes the text to standard error when the
/// verbose flag is set.
void loader_verbose(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Formats, writes to standard error and stores; then flushes the log,
/// closes the loader connection and exits with status 1.
[[noreturn]] void loader_fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Sends the whole log as one log batch, connecting first when needed. The
/// log is emptied only when every byte was sent.
void loader_flush_log();

void loader_set_verbose(bool on);
bool loader_is_verbose();

/// The support notice, without a trailing newline.
const char* loader_support_notice();

/// The tool code in use, and the number of stored messages.
int loader_tool_code();
int loader_log_count();

/// Empties the log and clears the tool code and the verbose flag (tests).
void loader_log_reset();
