#include "entry.h"

#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "payload.h"

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
  return fail("kestrokit: this build cannot validate or install into an Arduino folder yet\n");
}
