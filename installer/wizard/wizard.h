// The six-page installer window and everything that it shows.
#pragma once

#include <FL/Enumerations.H>

#include "folder_logic.h"

class Fl_Box;
class Fl_Button;
class Fl_Choice;
class Fl_File_Browser;
class Fl_Group;
class Fl_Multiline_Input;
class Fl_Progress;
class Fl_Round_Button;
class Fl_Text_Buffer;
class Fl_Widget;
class Fl_Window;
class Fl_Wizard;
class LibraryCheckBrowser;
class my_png_image;

/// The window's widgets, which callbacks reach later, and the wizard's
/// own state. All widgets live until the process ends.
struct WizardState {
  Fl_Window* main_window = nullptr;
  Fl_Wizard* wizard = nullptr;
  Fl_Group* welcome_page = nullptr;
  Fl_Group* folder_page = nullptr;
  Fl_Group* library_page = nullptr;
  my_png_image* icon = nullptr;

  Fl_Multiline_Input* udev_message = nullptr;
  Fl_Button* udev_next_button = nullptr;
  Fl_Button* skip_button = nullptr;

  Fl_Choice* path_menu = nullptr;
  Fl_File_Browser* folder_browser = nullptr;
  Fl_Button* folder_next_button = nullptr;
  Fl_Button* help_button = nullptr;
  char listed_folder[FOLDER_PATH_SIZE] = {};

  Fl_Round_Button* all_button = nullptr;
  Fl_Round_Button* none_button = nullptr;
  LibraryCheckBrowser* library_list = nullptr;
  Fl_Box* library_name_box = nullptr;
  Fl_Box* library_image_box = nullptr;
  Fl_Box* library_gap_box = nullptr;
  Fl_Box* library_text_box = nullptr;

  Fl_Box* files_label = nullptr;
  Fl_Progress* progress_bar = nullptr;
  Fl_Box* status_box = nullptr;
  Fl_Button* install_back_button = nullptr;
  Fl_Button* install_button = nullptr;
  Fl_Button* install_cancel_button = nullptr;
  int install_position = 0;

  Fl_Window* help_window = nullptr;
  Fl_Text_Buffer* validation_log = nullptr;
};

WizardState& wizard_state();

/// Creates the validation log and builds the whole window, hidden. The
/// display must be open.
void wizard_build();

/// Wizard mode: builds the window, shows it with FLTK's standard options
/// from the argument vector and runs the event loop. Returns the exit code.
int wizard_run(int argc, char** argv);

/// A text label at (x, y), sized to its text; when `centred`, x is the
/// text's centre. The text must outlive the box.
Fl_Box* add_label(int x, int y, Fl_Font font, int size, bool centred, const char* text);

/// The three buttons at the foot of a page.
struct PageButtons {
  Fl_Button* back;
  Fl_Button* next;
  Fl_Button* cancel;
};
/// The banner, title, subtitle, icon and rules of pages 2 to 6.
void page_frame(const char* title, const char* subtitle);
/// Back, Next (with `next_label`) and Cancel at their page positions.
PageButtons page_buttons(const char* next_label);

void on_next(Fl_Widget*, void*);
void on_back(Fl_Widget*, void*);
void on_cancel(Fl_Widget*, void*);

// The pages kept in their own files.
void build_folder_page();
void build_library_page();
void build_install_page();
void open_help(Fl_Widget*, void*);
void on_install(Fl_Widget*, void*);
/// Resets the install page for a new run (arrival from the library page).
void prepare_install_page();
