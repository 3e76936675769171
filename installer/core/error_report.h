// The installer's two report channels: the last error message and the
// validation log, plus the anti-virus hint flag.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

constexpr std::size_t LAST_ERROR_SIZE = 512;
constexpr std::size_t LOG_LINE_SIZE = 4096;
constexpr std::size_t LOG_INITIAL_CAPACITY = 4096;

/// Formats into the last error message, cut at 511 characters, replacing the
/// previous one. Prints nothing. Returns -1 so that a failing operation can
/// `return report_error(...)`.
int report_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// The last error message; valid until the next report_error().
const char* last_error();

/// Where the validation log lives. The wizard backs it with the text buffer
/// that the help window shows; the core knows only this interface.
class ValidationLog {
 public:
  virtual ~ValidationLog() = default;
  virtual void append(std::string_view text) = 0;
  virtual void clear() = 0;
};

/// A validation log held in a string, reserved at 4096 characters.
class StringValidationLog : public ValidationLog {
 public:
  StringValidationLog() { text_.reserve(LOG_INITIAL_CAPACITY); }
  void append(std::string_view text) override { text_.append(text); }
  void clear() override { text_.clear(); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

/// Makes `log` the validation log (nullptr: no log, as on the command line).
/// The caller keeps ownership; it must outlive its use.
void log_attach(ValidationLog* log);

/// With a log: formats into a 4096-byte buffer (cut at 4095 characters) and
/// appends the result. Without one: does nothing at all. No newline is added.
void log_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Empties the log when there is one.
void log_clear();

/// The anti-virus hint flag: 1 when the entry placed last is one that
/// anti-virus software is known to block.
int antivirus_hint();
void set_antivirus_hint(int on);

/// Empties the last error, detaches the log and clears the flag (for tests).
void error_report_reset();
