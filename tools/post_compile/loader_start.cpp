#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "loader_connection.h"
#include "loader_log.h"
#include "post_compile.h"

namespace {

[[noreturn]] void tools_unknown(bool logged) {
  std::fputs("Tools directory is unknown!\n\n", stderr);
  std::fputs(loader_support_notice(), stderr);
  if (logged) loader_log("Tools directory is unknown!\n\n");
  usage();
}

}  // namespace

void start_loader(const PostCompileOptions& options) {
  std::fputs("Opening Kestro Loader...\n", stderr);
  if (!options.has_tools || options.tools.empty()) tools_unknown(false);
  const std::string path = program_path(options.tools, "kestro");
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    close(0);
    close(1);
    close(2);
    execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
    loader_log("Could not start Kestro Loader application! (r=%d)\n", 1);
    loader_log("  attempted: %s\n", path.c_str());
    loader_fatal("quit");
  }
  if (pid < 0) {
    std::fprintf(stderr, "Could not start Kestro Loader application! (r=%d)\n", -1);
    std::fprintf(stderr, "  attempted: %s\n", path.c_str());
    loader_log("Could not start Kestro Loader application! (r=%d)\n", -1);
    loader_log("  attempted: %s\n", path.c_str());
    loader_fatal("quit");
  }
  for (int attempt = 0; attempt < LOADER_START_ATTEMPTS; ++attempt) {
    if (loader_connect()) return;
    usleep(LOADER_START_PAUSE_US);
  }
  loader_log("Unable find Kestro Loader.  (p)  ");
  std::fputs("Unable find Kestro Loader.  (p)  Is the Kestro Loader application running?\n", stderr);
  loader_fatal("quit");
}

void run_reboot(const PostCompileOptions& options) {
  if (!options.has_tools || options.tools.empty()) tools_unknown(true);
  const std::string path = program_path(options.tools, "kestro_reboot");
  loader_log("Running kestro_reboot: %s", path.c_str());
  std::vector<std::string> args{path};
  if (loader_is_verbose()) args.push_back("-v");
  if (options.has_board) args.push_back("-board=" + options.board);
  if (options.has_port) args.push_back("-port=" + options.port);
  if (options.has_portlabel) args.push_back("-portlabel=" + options.portlabel);
  if (options.has_portprotocol) args.push_back("-portprotocol=" + options.portprotocol);
  loader_close();
  setsid();
  close(0);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  execv(path.c_str(), argv.data());
  std::fprintf(stderr, "Could not run kestro_reboot utility (r=%d)\n", 0);
  loader_log("Could not run kestro_reboot utility (r=%d)\n", 0);
  loader_fatal("quit");
}
