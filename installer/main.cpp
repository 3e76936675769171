// kestrokit: adds the Kestro boards to an Arduino IDE folder.
#include <cstdio>

#include "core/entry.h"
#include "core/payload.h"

namespace {

int wizard_main(int, char**) {
  std::fputs("kestrokit: this build has no wizard yet; install with --dir=<Arduino folder>\n", stderr);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  payload_init();
  if (const char* dir = find_dir_argument(argc, argv)) return command_line_install(dir);
  return wizard_main(argc, argv);
}
