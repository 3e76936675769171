#include "entry.h"

#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "entry_router.h"
#include "error_report.h"
#include "payload.h"
#include "validation.h"

namespace {

InstallerState state;

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

int fail(const char* message) {
  std::fputs(message, stderr);
  return 1;
}

}  // namespace

InstallerState& installer_state() { return state; }

const char* find_dir_argument(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (const char* rest = starts_with(argv[i], "--dir=")) return rest;
  return nullptr;
}

bool set_target_folder(const char* path) {
  std::size_t n = std::strlen(path);
  if (n > MAX_FOLDER_ARGUMENT) return false;
  std::memcpy(state.target_folder, path, n);
  if (n == 0 || path[n - 1] != '/') state.target_folder[n++] = '/';
  state.target_folder[n] = '\0';
  return true;
}

int command_line_install(const char* path) {
  if (path[0] == '\0') return fail("no Arduino directory\n");
  if (!set_target_folder(path)) return fail("Arduino directory name too long\n");
  std::unique_ptr<DIR, DirCloser> dir(opendir(state.target_folder));
  if (!dir) {
    std::fprintf(stderr, "Unable to access directory: %s\n", state.target_folder);
    return 1;
  }
  dir.reset();
  state.arduino_version = validate_folder(state.target_folder);
  if (state.arduino_version == 0) {
    std::fprintf(stderr, "Directory \"%s\" is not a supported Arduino\n", state.target_folder);
    std::fprintf(stderr, " Arduino versions supported: %s\n", supported_versions());
    return 1;
  }
  for (int i = 0; i < PAYLOAD_COUNT; ++i) {
    if (route_entry(state.target_folder, i) < 0) {
      std::fprintf(stderr, "Error: %s\n", last_error());
      return 1;
    }
  }
  return 0;
}
