// kestro_post_compile: run by the IDE after each build of a Kestro sketch.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "loader_connection.h"
#include "loader_log.h"
#include "loader_status.h"
#include "post_compile.h"

namespace {

[[noreturn]] void fail(const char* text, bool notice = false) {
  std::fputs(text, stderr);
  if (notice) std::fputs(loader_support_notice(), stderr);
  loader_log("%s", text);
  loader_fatal("quit");
}

void wait_idle_or_fail() {
  if (loader_wait_idle()) return;
  std::fputs("Kestro Loader is currently busy with another operation (p).  ", stderr);
  std::fputs("Please try again in a few seconds, or restart Kestro Loader.\n", stderr);
  loader_log("Kestro Loader is currently busy with another operation (p).  ");
  loader_fatal("quit");
}

void check_version() {
  if (loader_version_at_least(MIN_LOADER_MAJOR, MIN_LOADER_MINOR)) return;
  const std::string version = loader_version_text();
  std::fprintf(stderr, "Found Kestro Loader version %s, but the minimum ", version.c_str());
  std::fprintf(stderr, "required is %d.%02d.\n", MIN_LOADER_MAJOR, MIN_LOADER_MINOR);
  std::fputs("Please use File > Quit in Kestro Loader.  The new version\n", stderr);
  std::fputs("will open automatically on your next Verify or Upload.\n", stderr);
  loader_log("Found version %s, but the minimum ", version.c_str());
  loader_log("required is %d.%02d.\n", MIN_LOADER_MAJOR, MIN_LOADER_MINOR);
  loader_fatal("quit");
}

bool automatic_and_online(bool on) {
  const LoaderStatus& s = loader_status();
  return on ? (s.online && s.automatic) : (!s.online && !s.automatic);
}

}  // namespace

int main(int argc, char** argv) {
  const char* agent = std::getenv("ARDUINO_USER_AGENT");
  const bool new_cli = new_cli_mode(agent);
  const PostCompileOptions options = parse_options(argc, argv);
  if (!options.has_file || !options.has_path) usage();
  if (new_cli && !options.reboot) return 0;

  loader_identify("post_compile");
  if (!loader_connect()) start_loader(options);
  check_version();
  if (agent) loader_log("ARDUINO_USER_AGENT = \"%s\"\n", agent);

  if (!loader_send_command("comment: Kestrokit 1.57 - LINUX64 (kestro_post_compile)\n") || !loader_wait_ok())
    fail("Kestro Loader error responding to comment (p)\n");
  wait_idle_or_fail();
  if (automatic_and_online(true) && !(loader_send_command("auto:off\n") && loader_wait_ok()))
    fail("Unable to configure Kestro Loader to Auto mode!\t ", true);

  const std::string hex = options.file + ".hex";
  const LoaderStatus& status = loader_status();
  if (!(same_directory(options.path, status.dir) && hex == status.file)) {
    if (!(loader_send_command(("dir:" + options.path + "/\n").c_str()) && loader_wait_ok()))
      fail(("Kestro Loader could not find the directory " + options.path + "\n").c_str());
    if (!(loader_send_command(("file:" + hex + "\n").c_str()) && loader_wait_ok()))
      fail(("Kestro Loader could not find the file " + options.file + "\n").c_str());
    wait_idle_or_fail();
    if (!status.readable) fail("Kestro Loader is unable to read your compiled sketch (p) ", true);
  }
  if (automatic_and_online(false)) {
    loader_set_reply_timeout(AUTO_ON_TIMEOUT_MS);
    if (!(loader_send_command("auto:on\n") && loader_wait_ok()))
      fail("Unable to configure Kestro Loader to Auto mode!\t ", true);
  }
  loader_disconnect();
  if (options.reboot) run_reboot(options);
  loader_close();
  return 0;
}
