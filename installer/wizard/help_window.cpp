// The help window: the supported releases and the report of the last
// folder validation, which it follows while it is open.
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Window.H>

#include "downgrade.h"
#include "validation.h"
#include "wizard.h"

namespace {

void on_help_ok(Fl_Widget*, void*) {
  if (Fl_Window* w = wizard_state().help_window) w->hide();
}

void build_help_window() {
  WizardState& s = wizard_state();
  s.help_window = new Fl_Window(400, 360);
  s.help_window->label("Kestrokit " KESTROKIT_VERSION_TEXT " Help");
  auto* banner = new Fl_Box(FL_FLAT_BOX, 0, 0, 400, 60, nullptr);
  banner->color(FL_WHITE);
  add_label(200, 4, FL_HELVETICA_BOLD, 16, true, "Supported Arduino Versions:");
  add_label(200, 26, FL_HELVETICA, 15, true, supported_versions());
  add_label(200, 48, FL_HELVETICA, 8, true,
            "Only official releases from arduino.cc are supported, not Linux distribution packages.");
  new Fl_Box(FL_THIN_DOWN_BOX, 0, 60, 400, 2, nullptr);
  auto* report = new Fl_Text_Display(32, 75, 336, 223);
  report->color(FL_WHITE);
  report->buffer(s.validation_log);
  new Fl_Box(FL_THIN_DOWN_BOX, 4, 312, 392, 2, nullptr);
  auto* ok = new Fl_Button(155, 323, 90, 26, "Ok");
  ok->callback(on_help_ok);
  s.help_window->end();
}

}  // namespace

void open_help(Fl_Widget*, void*) {
  if (!wizard_state().help_window) build_help_window();
  wizard_state().help_window->show();
}
