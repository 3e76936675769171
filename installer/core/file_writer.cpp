#include "file_writer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

#include "entry.h"
#include "error_report.h"
#include "jar_patch.h"
#include "payload.h"

namespace {

struct WriterState {
  // Directories seen to exist during this install, below `root`: thousands
  // of entries share a few hundred folders, and each would otherwise be
  // opened once per "/" of every path.
  std::string root;
  std::unordered_set<std::string> known_dirs;
  WriterStats stats;
};

WriterState state;

bool is_directory(const char* path) {
  if (state.known_dirs.count(path)) return true;
  DIR* d = opendir(path);
  if (!d) return false;
  closedir(d);
  state.known_dirs.insert(path);
  return true;
}

void remember_root(const char* root) {
  if (state.root != root) {
    state.root = root;
    state.known_dirs.clear();
  }
}

}  // namespace

int ensure_directory(const char* path, const char* root) {
  remember_root(root);
  if (is_directory(path)) return 0;
  if (!is_directory(root)) return report_error("Directory \"%s\" does not exist!", root);
  const std::size_t root_length = std::strlen(root);
  if (std::strncmp(path, root, root_length) != 0)
    return report_error("Trying to create directory \"%s\", but not within \"%s\"", path, root);
  const std::size_t length = std::strlen(path);
  for (std::size_t i = root_length; i < length; ++i) {
    if (path[i] != '/') continue;
    char prefix[TARGET_FOLDER_SIZE];
    std::snprintf(prefix, sizeof prefix, "%.*s", static_cast<int>(i + 1), path);
    if (is_directory(prefix)) continue;
    if (mkdir(prefix, 0755) != 0) return report_error("Unable to create directory \"%s\".", prefix);
    if (!is_directory(prefix)) return -1;
  }
  if (is_directory(path)) return 0;
  return report_error("Could not create directory \"%s\"!", path);
}

int write_entry_file(const char* folder, const char* dir_part, const char* relative, int entry, bool executable) {
  if (!jar_commit()) return -1;
  char dir[TARGET_FOLDER_SIZE];
  std::snprintf(dir, sizeof dir, "%s%s", folder, dir_part);
  if (ensure_directory(dir, folder) < 0) return -1;
  for (const char* slash = std::strchr(relative, '/'); slash; slash = std::strchr(slash + 1, '/')) {
    char level[TARGET_FOLDER_SIZE];
    std::snprintf(level, sizeof level, "%s%s%.*s", folder, dir_part, static_cast<int>(slash - relative + 1),
                  relative);
    if (ensure_directory(level, folder) < 0) return -1;
  }

  char path[TARGET_FOLDER_SIZE];
  std::snprintf(path, sizeof path, "%s%s%s", folder, dir_part, relative);
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return report_error("Unable to write file \"%s%s\".", dir_part, relative);
  const std::size_t size = payload_sizes[entry];
  ssize_t written;
  do {
    written = write(fd, payload_data[entry], size);
  } while (written < 0 && errno == EINTR);
  if (written < 0 || static_cast<std::size_t>(written) != size) {
    close(fd);
    return report_error("Error while writing to file \"%s%s\".", dir_part, relative);
  }
  if (executable && fchmod(fd, 0755) != 0) {
    close(fd);
    return report_error("Unable to set execute permission for \"%s%s\".", dir_part, relative);
  }
  if (close(fd) != 0) return report_error("Error closing file \"%s%s\".", dir_part, relative);
  ++state.stats.files;
  state.stats.bytes += static_cast<long long>(size);
  if (executable) ++state.stats.executables;
  return 1;
}

WriterStats writer_stats() { return state.stats; }

void file_writer_reset() { state = WriterState{}; }
