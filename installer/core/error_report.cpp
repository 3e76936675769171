#include "error_report.h"

#include <cstdarg>
#include <cstdio>

namespace {

struct ReportState {
  char last_error[LAST_ERROR_SIZE];
  ValidationLog* log;
  int antivirus_hint;
};

ReportState state;

}  // namespace

int report_error(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(state.last_error, sizeof state.last_error, format, args);
  va_end(args);
  return -1;
}

const char* last_error() { return state.last_error; }

void log_attach(ValidationLog* log) { state.log = log; }

void log_printf(const char* format, ...) {
  if (!state.log) return;
  char line[LOG_LINE_SIZE];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (n < 0) return;
  std::size_t len = static_cast<std::size_t>(n) < sizeof line ? static_cast<std::size_t>(n) : sizeof line - 1;
  state.log->append(std::string_view(line, len));
}

void log_clear() {
  if (state.log) state.log->clear();
}

int antivirus_hint() { return state.antivirus_hint; }

void set_antivirus_hint(int on) { state.antivirus_hint = on ? 1 : 0; }

void error_report_reset() { state = ReportState{}; }
