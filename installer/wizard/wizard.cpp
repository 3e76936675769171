#include "wizard.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Multiline_Input.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Window.H>
#include <FL/Fl_Wizard.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <cmath>
#include <string>

#include "downgrade.h"
#include "error_report.h"
#include "payload.h"
#include "png_image.h"
#include "udev_check.h"
#include "validation.h"

namespace {

WizardState state;

constexpr double UDEV_FIRST_CHECK_S = 0.02;
constexpr double UDEV_RECHECK_S = 0.3;

// The validation log, kept in the text buffer that the help window shows,
// so the window follows every validation.
class TextBufferLog : public ValidationLog {
 public:
  explicit TextBufferLog(Fl_Text_Buffer* buffer) : buffer_(buffer) {}
  void append(std::string_view text) override { buffer_->append(std::string(text).c_str()); }
  void clear() override { buffer_->text(""); }

 private:
  Fl_Text_Buffer* buffer_;
};

void udev_check_tick(void*) {
  Fl::remove_timeout(udev_check_tick);
  if (const char* problem = udev_check()) {
    state.udev_message->value(problem);
    state.skip_button->activate();
    state.udev_next_button->deactivate();
    Fl::add_timeout(UDEV_RECHECK_S, udev_check_tick);
  } else {
    state.udev_message->value("\n\n\n     UDEV rules are properly installed  :-)\n");
    state.skip_button->deactivate();
    state.udev_next_button->activate();
  }
}

void on_udev_back(Fl_Widget*, void*) {
  Fl::remove_timeout(udev_check_tick);
  state.wizard->prev();
}

void on_skip_udev(Fl_Widget*, void*) {
  Fl::remove_timeout(udev_check_tick);
  state.wizard->next();
}

Fl_Box* picture_box(int x, int y, int w, int h, Fl_Boxtype box, Fl_Image* picture) {
  auto* b = new Fl_Box(x, y, w, h);
  b->box(box);
  b->image(picture);
  return b;
}

void rule(int x, int y, int w, int h) { new Fl_Box(FL_THIN_DOWN_BOX, x, y, w, h, nullptr); }

void build_welcome_page() {
  state.welcome_page = new Fl_Group(0, 0, 500, 360);
  picture_box(0, 0, 144, 312, FL_FLAT_BOX, new my_png_image(payload_find("screenshot.png")));
  auto* column = new Fl_Box(FL_FLAT_BOX, 144, 0, 356, 312, nullptr);
  column->color(FL_WHITE);
  rule(4, 312, 492, 2);
  rule(144, 0, 2, 312);
  add_label(323, 6, FL_HELVETICA_BOLD, 30, true, "Kestrokit");
  add_label(323, 48, FL_HELVETICA, 12, true, "Version " KESTROKIT_VERSION_TEXT);
  picture_box(152, 76, 340, 113, FL_THIN_DOWN_BOX, new my_png_image(payload_find("kestro_main.png")));
  add_label(323, 196, FL_HELVETICA, 12, true, "Arduino versions supported:");
  add_label(323, 212, FL_HELVETICA, 12, true, supported_versions());
  auto* about = new Fl_Box(176, 244, 292, 130,
                           "This installer adds files to your Arduino software so you can build and run sketches on "
                           "Kestro.");
  about->box(FL_NO_BOX);
  about->labelfont(FL_HELVETICA);
  about->labelsize(14);
  about->align(FL_ALIGN_TOP | FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  PageButtons b = page_buttons("Next");
  b.back->deactivate();
  state.welcome_page->end();
}

void build_udev_page() {
  auto* page = new Fl_Group(0, 0, 500, 360);
  page_frame("Linux UDEV Rules", "Check for necessary UDEV setup");
  state.udev_message = new Fl_Multiline_Input(32, 92, 436, 152);
  state.udev_message->color(FL_WHITE);
  // The reasons are long sentences; wrapped, they can be read whole.
  state.udev_message->wrap(1);
  state.udev_message->value("Checking if 00-kestro.rules is installed...");
  state.skip_button = new Fl_Button(30, 260, 200, 26, "Skip UDEV Rules Check");
  state.skip_button->callback(on_skip_udev);
  PageButtons b = page_buttons("Next");
  b.back->callback(on_udev_back);
  state.udev_next_button = b.next;
  state.udev_next_button->deactivate();
  state.skip_button->deactivate();
  page->end();
}

void build_finished_page() {
  auto* page = new Fl_Group(0, 0, 500, 360);
  picture_box(5, 65, 490, 242, FL_NO_BOX, new my_png_image(payload_find("final.png")));
  page_frame("Finished", "All files were installed");
  PageButtons b = page_buttons("Next");
  b.back->deactivate();
  // No action of its own; FLTK calls a callback unchecked, so it gets the
  // toolkit's inert default rather than none.
  b.next->callback(Fl_Widget::default_callback);
  b.next->deactivate();
  b.cancel->label("Done");
  page->end();
}

void build_window() {
  state.main_window = new Fl_Window(500, 360, "Kestrokit " KESTROKIT_VERSION_TEXT " Installer");
  state.wizard = new Fl_Wizard(0, 0, 500, 360);
  state.icon = new my_png_image(payload_find("kestro_icon.png"));
  build_welcome_page();
  build_udev_page();
  build_folder_page();
  build_library_page();
  build_install_page();
  build_finished_page();
  state.wizard->end();
  state.main_window->end();
}

}  // namespace

WizardState& wizard_state() { return state; }

Fl_Box* add_label(int x, int y, Fl_Font font, int size, bool centred, const char* text) {
  fl_font(font, size);
  const double width = fl_width(text);
  if (centred) x -= static_cast<int>(std::ceil(width * 0.5));
  auto* box = new Fl_Box(x, y, static_cast<int>(std::ceil(width)) + 1, fl_height() + fl_descent(), text);
  box->box(FL_NO_BOX);
  box->labelfont(font);
  box->labelsize(size);
  if (!centred) box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  return box;
}

void page_frame(const char* title, const char* subtitle) {
  auto* banner = new Fl_Box(FL_FLAT_BOX, 0, 0, 400, 60, nullptr);
  banner->color(FL_WHITE);
  add_label(10, 6, FL_HELVETICA_BOLD, 16, false, title);
  add_label(16, 32, FL_HELVETICA, 16, false, subtitle);
  picture_box(400, 0, 100, 60, FL_FLAT_BOX, state.icon);
  rule(0, 60, 500, 2);
  rule(4, 312, 492, 2);
}

PageButtons page_buttons(const char* next_label) {
  PageButtons b{};
  b.back = new Fl_Button(140, 323, 90, 26, "Back");
  b.back->callback(on_back);
  b.next = new Fl_Button(240, 323, 90, 26, next_label);
  b.next->callback(on_next);
  b.cancel = new Fl_Button(390, 323, 90, 26, "Cancel");
  b.cancel->callback(on_cancel);
  return b;
}

void on_next(Fl_Widget*, void*) {
  if (state.wizard->value() == state.welcome_page) Fl::add_timeout(UDEV_FIRST_CHECK_S, udev_check_tick);
  if (state.wizard->value() == state.library_page) prepare_install_page();
  state.wizard->next();
}

void on_back(Fl_Widget*, void*) {
  if (state.wizard->value() == state.folder_page) Fl::add_timeout(UDEV_FIRST_CHECK_S, udev_check_tick);
  state.wizard->prev();
}

void on_cancel(Fl_Widget*, void*) {
  if (state.help_window) state.help_window->hide();
  state.main_window->hide();
}

void wizard_build() {
  state.validation_log = new Fl_Text_Buffer(LOG_INITIAL_CAPACITY);
  static TextBufferLog log(state.validation_log);
  log_attach(&log);
  build_window();
}

int wizard_run(int argc, char** argv) {
  // The options are read before anything is measured, so that -display
  // names the display that the labels are measured on.
  Fl::args(argc, argv);
  fl_open_display();
  wizard_build();
  state.main_window->show(argc, argv);
  return Fl::run();
}
