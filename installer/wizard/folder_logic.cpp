#include "folder_logic.h"

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool is_directory(const char* path) {
  DIR* d = opendir(path);
  if (!d) return false;
  closedir(d);
  return true;
}

void default_folder(char* out) {
  const char* home = std::getenv("HOME");
  if (home) {
    const std::size_t n = std::strlen(home);
    std::snprintf(out, FOLDER_PATH_SIZE, "%s%s", home, n > 0 && home[n - 1] == '/' ? "" : "/");
    if (is_directory(out)) return;
  }
  std::snprintf(out, FOLDER_PATH_SIZE, "/");
}

bool is_root_path(const char* path) { return path[0] == '\0' || std::strcmp(path, "/") == 0; }

void parent_folder(char* path) {
  if (is_root_path(path)) return;
  std::size_t n = std::strlen(path);
  if (n > 0 && is_separator(path[n - 1])) --n;
  while (n > 0 && !is_separator(path[n - 1])) --n;
  path[n] = '\0';
}

void append_bounded(char* path, std::size_t size, const char* name) {
  const std::size_t used = std::strlen(path);
  if (used + 1 >= size) return;
  std::snprintf(path + used, size - used, "%s", name);
}

void menu_item_text(const char* folder, char* out) {
  if (folder[0] == '\0') {
    std::snprintf(out, MENU_TEXT_SIZE, "[All Drives]");
    return;
  }
  // A 4095-character folder doubles to at most 8190 characters: it fits.
  std::size_t k = 0;
  for (const char* p = folder; *p && k + 2 < MENU_TEXT_SIZE; ++p) {
    if (*p == '/' || *p == '\\' || *p == '_') out[k++] = '\\';
    if (*p == '&') out[k++] = '&';
    out[k++] = *p;
  }
  out[k] = '\0';
}

void menu_item_folder(const char* label, char* out) {
  std::size_t k = 0;
  if (std::strcmp(label, "[All Drives]") != 0)
    for (const char* p = label; *p && k + 1 < FOLDER_PATH_SIZE; ++p) {
      if (p[0] == '&' && p[1] == '&') ++p;
      out[k++] = *p;
    }
  out[k] = '\0';
}

bool folder_line_shown(const char* line) {
  if (std::strcmp(line, "../") == 0 || std::strncmp(line, ".arduino-", 9) == 0) return true;
  return line[0] != '$' && line[0] != '.';
}
