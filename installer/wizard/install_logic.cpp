#include "install_logic.h"

#include <cstdio>
#include <cstring>

namespace {

struct InstallTextState {
  char error_text[INSTALL_ERROR_SIZE] = {};
};

InstallTextState texts;

void append_cut(char* buffer, std::size_t size, const char* text) {
  const std::size_t used = std::strlen(buffer);
  if (used + 1 < size) std::snprintf(buffer + used, size - used, "%s", text);
}

}  // namespace

BatchResult place_batch(const char* folder, int& position, int count, const std::uint32_t* sizes,
                        int (*route)(const char*, int)) {
  int placed = 0;
  long bytes = 0;
  for (;;) {
    if (route(folder, position) < 0) return BatchResult::FAILED;
    ++position;
    ++placed;
    if (position >= count) return BatchResult::DONE;
    bytes += static_cast<long>(sizes[position]);
    if (bytes > BATCH_BYTES_MAX || placed > BATCH_ENTRIES_MAX - 1) return BatchResult::MORE;
  }
}

const char* compose_error_text(bool root, const char* last_error, bool antivirus) {
  char* text = texts.error_text;
  if (root)
    std::snprintf(text, INSTALL_ERROR_SIZE,
                  "%s\n\nThe files or directories may have write permissions blocked or may be stored on a read-only "
                  "disc or network drive.  Please try installing on a fresh copy of Arduino in your directory.\n",
                  last_error);
  else
    std::snprintf(text, INSTALL_ERROR_SIZE,
                  "%s\n\nYou may need to run this installer as root for access to install all files.  To run as "
                  "root, type:\n\n sudo ./kestrokit\n",
                  last_error);
  append_cut(text, INSTALL_ERROR_SIZE,
             "\nPlease make sure you do not have a copy of Arduino running, as this can block writing to certain "
             "files.\n");
  if (antivirus)
    append_cut(text, INSTALL_ERROR_SIZE,
               "\nAnti-virus software can sometimes falsely interfere with writing this type of file.  If you are "
               "running an anti-virus program, you may need to temporarily disable it.\n");
  return text;
}
