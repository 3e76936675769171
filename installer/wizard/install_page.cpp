// The install page and the wizard's install run: entries are placed in
// small batches from the idle callback, so the window stays responsive and
// the progress is redrawn between batches without a worker thread.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Wizard.H>
#include <unistd.h>

#include <cstring>

#include "entry.h"
#include "entry_router.h"
#include "error_report.h"
#include "install_logic.h"
#include "jar_patch.h"
#include "locations.h"
#include "payload.h"
#include "preferences.h"
#include "wizard.h"

namespace {

constexpr double HAND_OVER_S = 0.01;

void on_install_failed(void*) {
  WizardState& s = wizard_state();
  s.install_back_button->activate();
  s.install_cancel_button->activate();
  s.files_label->label("ERROR !!!");
  s.status_box->label(compose_error_text(geteuid() == 0, last_error(), antivirus_hint() != 0));
}

void on_install_finished(void*) {
  WizardState& s = wizard_state();
  s.wizard->next();
  s.progress_bar->value(0);
}

const char* base_name(const char* name) {
  const char* slash = std::strrchr(name, '/');
  return slash ? slash + 1 : name;
}

void install_step(void*) {
  WizardState& s = wizard_state();
  InstallerState& installer = installer_state();
  const BatchResult result =
      place_batch(installer.target_folder, s.install_position, PAYLOAD_COUNT, payload_sizes, route_entry);
  if (result == BatchResult::MORE) {
    s.status_box->label(base_name(payload_names[s.install_position]));
    s.progress_bar->value(static_cast<float>(s.install_position));
    return;
  }
  Fl::remove_idle(install_step);
  if (result == BatchResult::FAILED || !jar_commit()) {
    Fl::add_timeout(HAND_OVER_S, on_install_failed);
    return;
  }
  update_preferences(installer.target_folder, installer.arduino_version);
  remove_obsolete_libraries(installer.target_folder);
  Fl::add_timeout(HAND_OVER_S, on_install_finished);
}

}  // namespace

void build_install_page() {
  WizardState& s = wizard_state();
  auto* page = new Fl_Group(0, 0, 500, 360);
  page_frame("Copy Files To Arduino Folder", "Click install to begin");
  s.files_label = add_label(64, 80, FL_HELVETICA, 16, false, "Files to be installed:............");
  s.files_label->label("Click Install to begin");
  s.progress_bar = new Fl_Progress(64, 105, 372, 25);
  s.progress_bar->minimum(0);
  s.progress_bar->maximum(static_cast<float>(PAYLOAD_COUNT));
  s.progress_bar->value(0);
  s.status_box = new Fl_Box(64, 136, 372, 160);
  s.status_box->box(FL_NO_BOX);
  s.status_box->labelfont(FL_HELVETICA);
  s.status_box->labelsize(12);
  s.status_box->align(FL_ALIGN_TOP | FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  PageButtons b = page_buttons("Install");
  s.install_back_button = b.back;
  s.install_button = b.next;
  s.install_button->callback(on_install);
  s.install_cancel_button = b.cancel;
  page->end();
}

void prepare_install_page() {
  WizardState& s = wizard_state();
  s.install_button->activate();
  s.status_box->label("");
  s.files_label->label("Click Install to begin");
  s.progress_bar->value(0);
}

void on_install(Fl_Widget*, void*) {
  WizardState& s = wizard_state();
  s.install_position = 0;
  s.install_button->deactivate();
  s.install_back_button->deactivate();
  s.install_cancel_button->deactivate();
  s.progress_bar->value(0);
  s.files_label->label("Files to be installed:");
  Fl::add_idle(install_step);
}
