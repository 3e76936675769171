// The folder page: a menu of the listed folder and its ancestors above the
// list of its subfolders. Every click validates the candidate at once.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_File_Browser.H>
#include <FL/Fl_Group.H>
#include <FL/filename.H>

#include <cstdio>
#include <cstring>

#include "entry.h"
#include "validation.h"
#include "wizard.h"

static_assert(FOLDER_PATH_SIZE == TARGET_FOLDER_SIZE, "the folder page fills target_folder");

namespace {

void filter_folder_list() {
  Fl_File_Browser* browser = wizard_state().folder_browser;
  for (int line = 1; line <= browser->size();) {
    const char* text = browser->text(line);
    if (text && !folder_line_shown(text))
      browser->remove(line);
    else
      ++line;
  }
}

void list_folder() {
  WizardState& s = wizard_state();
  s.folder_browser->load(s.listed_folder, fl_casenumericsort);
  filter_folder_list();
}

void validate_candidate() {
  InstallerState& installer = installer_state();
  installer.arduino_version = validate_folder(installer.target_folder);
  if (installer.arduino_version != 0)
    wizard_state().folder_next_button->activate();
  else
    wizard_state().folder_next_button->deactivate();
}

void on_path_chosen(Fl_Widget*, void*);

void rebuild_path_menu() {
  WizardState& s = wizard_state();
  s.path_menu->clear();
  char work[FOLDER_PATH_SIZE];
  std::memcpy(work, s.listed_folder, sizeof work);
  static char item[MENU_TEXT_SIZE];
  for (;;) {
    menu_item_text(work, item);
    s.path_menu->add(item, 0, on_path_chosen);
    if (is_root_path(work)) break;
    parent_folder(work);
  }
  s.path_menu->value(0);
}

void on_path_chosen(Fl_Widget*, void*) {
  WizardState& s = wizard_state();
  const Fl_Menu_Item* chosen = s.path_menu->mvalue();
  std::memset(s.listed_folder, 0, sizeof s.listed_folder);
  if (chosen && chosen->label()) menu_item_folder(chosen->label(), s.listed_folder);
  std::memcpy(installer_state().target_folder, s.listed_folder, sizeof s.listed_folder);
  list_folder();
  validate_candidate();
}

void on_folder_clicked(Fl_Widget*, void*) {
  WizardState& s = wizard_state();
  const int line = s.folder_browser->value();
  const char* text = line > 0 ? s.folder_browser->text(line) : nullptr;
  if (!text) return;
  char* target = installer_state().target_folder;
  std::memcpy(target, s.listed_folder, FOLDER_PATH_SIZE);
  if (std::strcmp(text, "../") == 0)
    parent_folder(target);
  else
    append_bounded(target, FOLDER_PATH_SIZE, text);
  if (Fl::event_clicks() > 0) {
    Fl::event_clicks(-1);
    std::memcpy(s.listed_folder, target, FOLDER_PATH_SIZE);
    list_folder();
    s.folder_browser->redraw();
    rebuild_path_menu();
  }
  validate_candidate();
}

}  // namespace

void build_folder_page() {
  WizardState& s = wizard_state();
  s.folder_page = new Fl_Group(0, 0, 500, 360);
  page_frame("Select Arduino Folder", "Choose Arduino location to install Kestrokit");
  default_folder(s.listed_folder);
  std::memcpy(installer_state().target_folder, s.listed_folder, FOLDER_PATH_SIZE);
  s.path_menu = new Fl_Choice(32, 75, 436, 30);
  rebuild_path_menu();
  s.folder_browser = new Fl_File_Browser(32, 112, 436, 186);
  s.folder_browser->type(FL_HOLD_BROWSER);
  s.folder_browser->filetype(Fl_File_Browser::DIRECTORIES);
  list_folder();
  s.folder_browser->callback(on_folder_clicked);
  PageButtons b = page_buttons("Next");
  s.folder_next_button = b.next;
  s.help_button = new Fl_Button(340, 323, 26, 26, "?");
  s.help_button->callback(open_help);
  validate_candidate();
  s.folder_page->end();
}
