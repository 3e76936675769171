#include "locations.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "payload.h"

namespace {

struct LocationState {
  char value[LOCATION_VALUE_MAX + 1];
  // The payload never changes, so the index of a version's locations.txt is
  // found once per matched version rather than once per placed entry.
  std::string indexed_version;
  int index = -1;
};

LocationState state;

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

constexpr const char* OBSOLETE_LIBRARIES[] = {"Adafruit_GFX", "Adafruit_CC3000", "Adafruit_RA8875",
                                              "openGLCD",     "ST7565",          "SD/utility"};

bool is_space(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

const char* location_lookup(const char* key) {
  if (matched_version_length() == 0 || !key || !*key) return nullptr;
  if (state.indexed_version != matched_version()) {
    state.index = payload_find(join2(matched_version(), "/LINUX64/locations.txt"));
    state.indexed_version = matched_version();
  }
  const int index = state.index;
  if (index < 0) return nullptr;
  const char* text = reinterpret_cast<const char*>(payload_data[index]);
  const std::size_t size = payload_sizes[index];
  const std::size_t key_length = std::strlen(key);
  std::size_t at = 0;
  for (;; ++at) {
    if (at + key_length >= size) return nullptr;
    if (std::memcmp(text + at, key, key_length) == 0) break;
  }
  std::size_t p = at + key_length;
  while (p < size && is_space(static_cast<unsigned char>(text[p]))) ++p;
  if (p >= size || text[p] != '"') return nullptr;
  ++p;
  std::size_t n = 0;
  while (p + n < size && text[p + n] != '"' && n < LOCATION_VALUE_MAX) ++n;
  std::memcpy(state.value, text + p, n);
  state.value[n] = '\0';
  return state.value;
}

bool remove_folder_contents(const char* path) {
  // O_NOFOLLOW: a folder that is really a link to elsewhere is not ours to empty.
  int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  std::unique_ptr<DIR, DirCloser> dir(fdopendir(fd));
  if (!dir) {
    close(fd);
    return false;
  }
  while (const dirent* e = readdir(dir.get())) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    char child[JOIN_BUFFER_SIZE];
    std::snprintf(child, sizeof child, "%s/%s", path, e->d_name);
    bool is_dir = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN) {
      // Some file systems do not fill in the type; ask, without following links.
      struct stat st {};
      is_dir = lstat(child, &st) == 0 && S_ISDIR(st.st_mode);
    }
    if (is_dir) {
      remove_folder_contents(child);
      rmdir(child);
    } else {
      unlink(child);
    }
  }
  return true;
}

void remove_obsolete_libraries(const char* folder) {
  if (!folder || !*folder) return;
  std::string base(folder, std::min<std::size_t>(std::strlen(folder), JOIN_BUFFER_SIZE - 1));
  if (base.back() == '/' || base.back() == '\\') base.pop_back();
  const char* libraries = location_lookup("LIBRARY_SUBDIR");
  if (!libraries) return;
  const std::string library_dir = libraries;
  for (const char* name : OBSOLETE_LIBRARIES) {
    char path[REMOVAL_PATH_SIZE];
    std::snprintf(path, sizeof path, "%s/%s%s", base.c_str(), library_dir.c_str(), name);
    if (remove_folder_contents(path)) rmdir(path);
  }
}
