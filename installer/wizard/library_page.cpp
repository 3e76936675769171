// The library page: a check mark per optional library, and the clicked
// library's name, picture and description beside the list.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Round_Button.H>

#include <cstdio>
#include <cstring>
#include <memory>

#include "library_list.h"
#include "payload.h"
#include "png_image.h"
#include "wizard.h"

namespace {

constexpr std::size_t LIBRARY_TEXT_SIZE = 1024;
constexpr std::size_t LIBRARY_NAME_MAX = 255;

// What the pane shows, owned here so that the previous library's picture
// and text are released when another one is shown.
struct LibraryPaneState {
  std::unique_ptr<my_png_image> picture;
  std::string name;
  std::string text;
};

LibraryPaneState pane;

void update_round_buttons() {
  WizardState& s = wizard_state();
  const int checked = s.library_list->nchecked();
  const int lines = s.library_list->nitems();
  s.none_button->value(checked == 0);
  s.all_button->value(checked >= lines);
}

void show_library(int index) {
  WizardState& s = wizard_state();
  const char* line = s.library_list->text(index + 1);
  std::string name = line ? line : "";
  char buffer[LIBRARY_TEXT_SIZE];
  std::snprintf(buffer, sizeof buffer, "libraries/%s.png", name.c_str());
  const int picture = name.empty() ? -1 : payload_find(buffer);
  std::snprintf(buffer, sizeof buffer, "libraries/%s.txt", name.c_str());
  const int description = name.empty() ? -1 : payload_find(buffer);

  pane.name = std::move(name);
  s.library_name_box->label(pane.name.c_str());
  auto image = std::make_unique<my_png_image>(picture);
  s.library_image_box->image(image.get());
  pane.picture = std::move(image);
  const int h = pane.picture->h();
  s.library_image_box->resize(236, 100, 244, h);
  s.library_gap_box->resize(236, 100 + h, 244, 12);
  s.library_text_box->resize(236, 112 + h, 244, 170 - h);
  s.library_page->redraw();

  pane.text.clear();
  if (description > 0) {
    std::size_t n = payload_sizes[description];
    if (n > LIBRARY_TEXT_SIZE - 1) n = LIBRARY_TEXT_SIZE - 1;
    pane.text.assign(reinterpret_cast<const char*>(payload_data[description]), n);
    // The label is a C string: it ends at the first zero byte, if any.
    pane.text.resize(std::strlen(pane.text.c_str()));
  }
  s.library_text_box->label(pane.text.c_str());
  update_round_buttons();
}

void on_library_changed(Fl_Widget*, void*) {
  WizardState& s = wizard_state();
  show_library(s.library_list->value() - 1);
}

void on_all(Fl_Widget*, void*) {
  WizardState& s = wizard_state();
  if (!s.all_button->value()) return;
  s.none_button->value(0);
  s.library_list->check_all();
}

void on_none(Fl_Widget*, void*) {
  WizardState& s = wizard_state();
  if (!s.none_button->value()) return;
  s.all_button->value(0);
  s.library_list->check_none();
}

Fl_Box* pane_box(int x, int y, int w, int h) {
  auto* b = new Fl_Box(x, y, w, h);
  b->box(FL_NO_BOX);
  return b;
}

}  // namespace

std::string optional_library_of(const char* entry_name) {
  const char* rest = starts_with(entry_name, "libraries/");
  if (!rest) return {};
  const char* slash = std::strchr(rest, '/');
  if (!slash || slash == rest || static_cast<std::size_t>(slash - rest) > LIBRARY_NAME_MAX) return {};
  return std::string(rest, slash);
}

void fill_library_list(LibraryCheckBrowser* list, const char* const* names, int count) {
  for (int i = 0; i < count; ++i) {
    const std::string name = optional_library_of(names[i]);
    if (!name.empty() && library_line(name.c_str()) == 0) list->add(name.c_str());
  }
  list->check_all();
}

void build_library_page() {
  WizardState& s = wizard_state();
  s.library_page = new Fl_Group(0, 0, 500, 360);
  page_frame("Libraries to Install", "Choose additional libraries install");
  s.all_button = new Fl_Round_Button(36, 74, 70, 16, "All");
  s.all_button->type(FL_TOGGLE_BUTTON);
  s.all_button->callback(on_all);
  s.none_button = new Fl_Round_Button(120, 74, 90, 16, "None");
  s.none_button->type(FL_TOGGLE_BUTTON);
  s.none_button->callback(on_none);
  s.library_list = new LibraryCheckBrowser(16, 100, 200, 180);
  library_list_attach(s.library_list);
  fill_library_list(s.library_list, payload_names, PAYLOAD_COUNT);
  s.none_button->value(0);
  s.all_button->value(1);
  s.library_list->callback(on_library_changed);
  s.library_list->when(FL_WHEN_CHANGED);
  s.library_name_box = pane_box(236, 72, 244, 20);
  s.library_name_box->labelsize(16);
  s.library_image_box = pane_box(236, 100, 244, 64);
  s.library_gap_box = pane_box(236, 164, 244, 8);
  s.library_text_box = pane_box(236, 172, 244, 120);
  s.library_text_box->align(FL_ALIGN_TOP | FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  show_library(0);
  page_buttons("Next");
  s.library_page->end();
}
