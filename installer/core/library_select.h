// Which optional libraries the user wants installed.
#pragma once

/// The library list as the engine sees it: lines numbered from 1, each a
/// library name with a check mark. The wizard's check browser implements it.
class LibraryList {
 public:
  virtual ~LibraryList() = default;
  virtual int line_count() const = 0;
  virtual const char* line_text(int line) const = 0;
  virtual bool line_checked(int line) const = 0;
};

/// Makes `list` the library list; nullptr (the command line) means none.
/// The caller keeps ownership.
void library_list_attach(LibraryList* list);

/// The 1-based line of `name` in the list, or 0 when it is not listed or
/// there is no list. Remembers the last line found.
int library_line(const char* name);

/// True without a list, or when the library's line exists and is checked.
bool library_selected(const char* name);

/// Detaches the list and empties the lookup cache (for tests).
void library_select_reset();
