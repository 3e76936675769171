#include "post_compile.h"

#include <cstdio>
#include <cstring>

#include "loader_log.h"

bool new_cli_mode(const char* agent) {
  if (!agent || std::strchr(agent, ' ') || std::strstr(agent, "arduino-ide")) return false;
  const char* cli = agent;
  int major = 0, minor = 0, patch = 0;
  if (std::sscanf(cli, "arduino-cli/%d.%d.%d", &major, &minor, &patch) == 3)
    return major > 0 || (major == 0 && minor > 21);
  int nightly = 0;
  if (std::sscanf(cli, "arduino-cli/nightly-%d", &nightly) == 1) return nightly >= 20220611 && nightly <= 22219999;
  return false;
}

std::string unquote(const std::string& value) {
  if (value.size() >= 3 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
  return value;
}

PostCompileOptions parse_options(int argc, char** argv) {
  PostCompileOptions o;
  struct {
    const char* prefix;
    std::string* value;
    bool* present;
  } const valued[] = {{"-path=", &o.path, &o.has_path},
                      {"-file=", &o.file, &o.has_file},
                      {"-tools=", &o.tools, &o.has_tools},
                      {"-board=", &o.board, &o.has_board},
                      {"-port=", &o.port, &o.has_port},
                      {"-portlabel=", &o.portlabel, &o.has_portlabel},
                      {"-portprotocol=", &o.portprotocol, &o.has_portprotocol}};
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "-v") == 0) loader_set_verbose(true);
    for (const auto& v : valued) {
      const std::size_t n = std::strlen(v.prefix);
      if (std::strncmp(arg, v.prefix, n) == 0) {
        *v.value = unquote(arg + n);
        *v.present = true;
      }
    }
    if (std::strncmp(arg, "-reboot", 7) == 0) o.reboot = true;
  }
  return o;
}

bool same_directory(const std::string& a, const std::string& b) {
  auto trimmed = [](std::string s) {
    if (!s.empty() && (s.back() == '/' || s.back() == '\\')) s.pop_back();
    return s;
  };
  const std::string x = trimmed(a), y = trimmed(b);
  return !x.empty() && !y.empty() && x == y;
}

std::string program_path(const std::string& tools, const char* program) {
  std::string path = tools;
  if (path.empty() || path.back() != '/') path += '/';
  path += program;
  if (path.size() > PROGRAM_PATH_SIZE - 1) path.resize(PROGRAM_PATH_SIZE - 1);
  return path;
}

void usage() {
  std::fputs(
      "\n"
      "kestro_post_compile - inform the Kestro Loader of freshly compiled code\n"
      "\n"
      "Usage:\n"
      "   kestro_post_compile [-v] -file=<file> -path=<path> [-tools=<toolspath>]\n"
      "                       [-board=<board>] [-port=<port>] [-portlabel=<name>]\n"
      "                       [-reboot]\n"
      "\n"
      "      -file=<file>        Code to program (without .hex) to your Kestro board\n"
      "      -path=<path>        Directory where <file.hex> is located\n"
      "      -tools=<toolspath>  Directory where Kestro Loader is located\n"
      "      -board=<board>      Board expected to be found\n"
      "      -port=<port>        USB location (from kestro_ports)\n"
      "      -portlabel=<name>   User visiable name for port\n"
      "      -reboot             Send request to go into bootloader mode\n"
      "      -v                  Show verbose info\n"
      "\n",
      stdout);
  std::fflush(stdout);
  loader_fatal("usage\n");
}
