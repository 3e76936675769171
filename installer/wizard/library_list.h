// The library page's check browser, which is also the engine's library list.
#pragma once

#include <FL/Fl_Check_Browser.H>

#include <string>

#include "library_select.h"

class LibraryCheckBrowser : public Fl_Check_Browser, public LibraryList {
 public:
  LibraryCheckBrowser(int x, int y, int w, int h) : Fl_Check_Browser(x, y, w, h) {}
  int line_count() const override { return nitems(); }
  const char* line_text(int line) const override { return text(line); }
  bool line_checked(int line) const override { return checked(line) != 0; }
};

/// Adds each optional library named in `names` once, in the order in which
/// it first occurs, and checks every line. The list must be attached as the
/// engine's library list.
void fill_library_list(LibraryCheckBrowser* list, const char* const* names, int count);

/// The library of a payload entry name: the part after "libraries/" up to
/// the next "/". Empty for names outside, descriptors and names of 256
/// characters or more.
std::string optional_library_of(const char* entry_name);
