#include "preferences.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "unique_fd.h"

namespace {

const char* password_home() {
  const passwd* pw = getpwuid(getuid());
  return pw ? pw->pw_dir : nullptr;
}

struct PreferencesState {
  HomeLookup home = password_home;
  char path[PREFERENCES_PATH_SIZE] = {};
};

PreferencesState prefs;

bool file_exists(const char* path) {
  struct stat st{};
  return stat(path, &st) == 0;
}

constexpr std::string_view KESTRO_BOARDS[] = {"kestrofern",  "kestrogarnet", "kestrojuniper", "kestrolinden",
                                              "kestromaple", "kestronova",   "kestroember",   "kestrohazel",
                                              "kestrocedar", "kestrodune"};

// True when `value` (the rest of the line, with its line end) is `wanted`
// followed by "\n" or "\r\n".
bool value_is(std::string_view value, std::string_view wanted) {
  if (value.substr(0, wanted.size()) != wanted) return false;
  const std::string_view end = value.substr(wanted.size());
  return end == "\n" || end == "\r\n";
}

enum class Key { NONE, BOARD, PACKAGE, PLATFORM };

Key key_of(std::string_view line) {
  if (line.size() > 6 && line.starts_with("board=")) return Key::BOARD;
  if (line.size() > 15 && line.starts_with("target_package=")) return Key::PACKAGE;
  if (line.size() > 16 && line.starts_with("target_platform=")) return Key::PLATFORM;
  return Key::NONE;
}

bool accepted(Key key, std::string_view line) {
  switch (key) {
    case Key::BOARD:
      for (std::string_view board : KESTRO_BOARDS)
        if (value_is(line.substr(6), board)) return true;
      return false;
    case Key::PACKAGE:
      return value_is(line.substr(15), "kestro");
    case Key::PLATFORM:
      return value_is(line.substr(16), "avr");
    case Key::NONE:
      break;
  }
  return false;
}

const char* replacement(Key key) {
  switch (key) {
    case Key::BOARD:
      return "board=kestrofern\n";
    case Key::PACKAGE:
      return "target_package=kestro\n";
    case Key::PLATFORM:
      return "target_platform=avr\n";
    case Key::NONE:
      break;
  }
  return "";
}

bool read_whole(const char* path, std::string& text) {
  unique_fd fd(open(path, O_RDONLY | O_CLOEXEC));
  struct stat st{};
  if (!fd || fstat(fd.get(), &st) != 0) return false;
  text.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  while (got < text.size()) {
    ssize_t n = read(fd.get(), text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

bool write_all(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Replaces `path` with `text` through a temporary file in the same folder,
// so that a full disk or a failed write never leaves a cut-off file behind.
void replace_file(const char* path, const std::string& text) {
  // A preferences file that is a link to somewhere else stays a link: the
  // file it points to is the one replaced.
  char real[PATH_MAX];
  if (!realpath(path, real)) return;
  // Replacing goes through the folder; a file that its user may not write
  // stays as it is, as it would if it were rewritten in place.
  if (access(real, W_OK) != 0) return;
  struct stat old{};
  if (stat(real, &old) != 0) return;
  std::string temp = std::string(real) + ".kestrokit-XXXXXX";
  unique_fd fd(mkostemp(temp.data(), O_CLOEXEC));
  if (!fd) return;
  // Ownership can only be kept when we are allowed to give it; the mode can.
  (void)!fchown(fd.get(), old.st_uid, old.st_gid);
  const bool written = fchmod(fd.get(), old.st_mode & 07777) == 0 && write_all(fd.get(), text) &&
                       fsync(fd.get()) == 0 && close(fd.release()) == 0;
  if (!written || rename(temp.c_str(), real) != 0) unlink(temp.c_str());
}

}  // namespace

void preferences_set_home_lookup(HomeLookup lookup) { prefs.home = lookup ? lookup : password_home; }

void preferences_reset() { prefs.home = password_home; }

const char* preferences_path(const char* folder, int version) {
  const char* settings = nullptr;
  if (version >= 10000 && version <= 10498) {
    settings = ".arduino";
  } else if (version >= 10500 && version <= 10599) {
    settings = ".arduino15";
  } else if (version >= 10600 && version <= 99999) {
    std::snprintf(prefs.path, sizeof prefs.path, "%s/portable/preferences.txt", folder);
    if (file_exists(prefs.path)) return prefs.path;
    settings = ".arduino15";
  } else {
    return nullptr;
  }
  const char* home = prefs.home();
  if (!home) return nullptr;
  std::snprintf(prefs.path, sizeof prefs.path, "%s/%s/preferences.txt", home, settings);
  return file_exists(prefs.path) ? prefs.path : nullptr;
}

bool preferences_rewrite(const std::string& old_text, std::string& new_text) {
  bool seen[4] = {};
  bool ok[4] = {};
  std::string_view rest(old_text);
  while (!rest.empty()) {
    const std::size_t lf = rest.find('\n');
    const std::string_view line = rest.substr(0, lf == std::string_view::npos ? rest.size() : lf + 1);
    rest.remove_prefix(line.size());
    const Key key = key_of(line);
    if (key == Key::NONE) continue;
    seen[static_cast<int>(key)] = true;
    ok[static_cast<int>(key)] = accepted(key, line);
  }
  if (ok[1] && ok[2] && ok[3]) return false;
  new_text.clear();
  new_text.reserve(old_text.size() + 64);
  for (Key key : {Key::BOARD, Key::PACKAGE, Key::PLATFORM})
    if (!seen[static_cast<int>(key)]) new_text += replacement(key);
  rest = old_text;
  while (!rest.empty()) {
    const std::size_t lf = rest.find('\n');
    const std::string_view line = rest.substr(0, lf == std::string_view::npos ? rest.size() : lf + 1);
    rest.remove_prefix(line.size());
    const Key key = key_of(line);
    if (key == Key::NONE)
      new_text += line;
    else
      new_text += replacement(key);
  }
  return true;
}

void update_preferences(const char* folder, int version) {
  const char* path = preferences_path(folder, version);
  if (!path) return;
  std::string old_text, new_text;
  if (!read_whole(path, old_text)) return;
  if (preferences_rewrite(old_text, new_text)) replace_file(path, new_text);
}
