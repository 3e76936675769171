// kestro_post_compile: hands a freshly compiled sketch to the Kestro Loader.
#pragma once

#include <string>

constexpr int MIN_LOADER_MAJOR = 1;
constexpr int MIN_LOADER_MINOR = 42;
constexpr int LOADER_START_ATTEMPTS = 20;
constexpr int LOADER_START_PAUSE_US = 100000;
constexpr int AUTO_ON_TIMEOUT_MS = 8500;
constexpr std::size_t PROGRAM_PATH_SIZE = 8192;

/// The options of one run; a value is absent when its `has_` flag is false.
struct PostCompileOptions {
  std::string file, path, tools, board, port, portlabel, portprotocol;
  bool has_file = false, has_path = false, has_tools = false, has_board = false, has_port = false,
       has_portlabel = false, has_portprotocol = false;
  bool reboot = false;
};

/// True when ARDUINO_USER_AGENT (`agent`, nullptr when unset) names
/// arduino-cli 0.22 or later, or a nightly build from 20220611 on.
bool new_cli_mode(const char* agent);

/// A value without its surrounding double quotes (three or more characters).
std::string unquote(const std::string& value);

/// Reads the options; sets the verbose flag for "-v".
PostCompileOptions parse_options(int argc, char** argv);

/// True when `a` and `b` name the same directory once one final "/" or "\"
/// is dropped from each; empty never matches.
bool same_directory(const std::string& a, const std::string& b);

/// tools + ("/" unless it ends in one) + program, cut at 8191 characters.
std::string program_path(const std::string& tools, const char* program);

/// Writes the usage text to standard output and ends through loader_fatal.
[[noreturn]] void usage();

/// Starts <tools>/kestro in a session of its own and connects to it, or ends
/// the tool.
void start_loader(const PostCompileOptions& options);

/// Becomes <tools>/kestro_reboot with the board and port options, or ends
/// the tool.
[[noreturn]] void run_reboot(const PostCompileOptions& options);
