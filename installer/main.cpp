// kestrokit: adds the Kestro boards to an Arduino IDE folder.
#include "core/entry.h"
#include "core/payload.h"
#include "wizard/wizard.h"

int main(int argc, char** argv) {
  payload_init();
  if (const char* dir = find_dir_argument(argc, argv)) return command_line_install(dir);
  return wizard_run(argc, argv);
}
