// Running built programs and scratch folders for the tests.
#pragma once

#include <string>
#include <vector>

/// What a finished child process left behind.
struct RunResult {
  int exit_code = -1;  ///< exit status, or -1 when it died of a signal
  int signal = 0;      ///< the signal that ended it, 0 for a normal exit
  bool timed_out = false;
  std::string out;  ///< standard output, byte for byte
  std::string err;  ///< standard error, byte for byte
};

struct RunOptions {
  std::string cwd;                     ///< working folder; empty keeps the test's
  std::vector<std::string> env;        ///< extra "NAME=value" settings
  std::string input;                   ///< bytes for standard input, then end of file
  int timeout_seconds = 120;           ///< the child is killed after this
};

/// Runs argv[0] (a path) with the arguments, feeding `input` and capturing
/// both output streams exactly. Never hangs: a child that outlives the
/// time-out is killed and reported with timed_out.
RunResult run_program(const std::vector<std::string>& argv, const RunOptions& options = {});

/// A built program: <build>/bin/<name>.
std::string bin_path(const std::string& name);

/// A file of the source tree, given relative to its top.
std::string source_path(const std::string& relative);

/// A fresh folder under the build's scratch area, removed with its contents
/// when the object goes. Tests never use the machine's own /tmp.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  /// path() + "/" + relative
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

/// Writes `bytes` to `path`, creating the folders in front of it.
void write_file(const std::string& path, const std::string& bytes);

/// The whole file, or an empty string when it cannot be read.
std::string read_file(const std::string& path);
