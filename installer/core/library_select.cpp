#include "library_select.h"

#include <cstring>
#include <string>

namespace {

struct LibraryState {
  LibraryList* list = nullptr;
  bool cached = false;
  std::string cached_text;
  int cached_line = -1;
};

LibraryState state;

}  // namespace

void library_list_attach(LibraryList* list) { state.list = list; }

int library_line(const char* name) {
  if (!state.list) return 0;
  // The payload keeps a library's files together, so nearly every question
  // repeats the last one.
  if (state.cached && state.cached_text == name) return state.cached_line;
  const int count = state.list->line_count();
  for (int line = 1; line <= count; ++line) {
    const char* text = state.list->line_text(line);
    if (text && std::strcmp(text, name) == 0) {
      state.cached = true;
      state.cached_text = text;
      state.cached_line = line;
      return line;
    }
  }
  return 0;
}

bool library_selected(const char* name) {
  if (!state.list) return true;
  int line = library_line(name);
  return line > 0 && state.list->line_checked(line);
}

void library_select_reset() { state = LibraryState{}; }
