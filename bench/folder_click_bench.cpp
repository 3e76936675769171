// The work of one click on a folder of the wizard's folder page: the
// browser's callback, which validates the candidate into the help window's
// log and sets the Next button. Runs on a real (virtual) display.
//   kestro_bench_folder_click HOME_WITH_SAMPLE [CLICKS]
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_File_Browser.H>
#include <FL/x.H>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "payload.h"
#include "wizard.h"

namespace {

int line_of(Fl_File_Browser* browser, const char* text) {
  for (int i = 1; i <= browser->size(); ++i)
    if (browser->text(i) && std::strcmp(browser->text(i), text) == 0) return i;
  return 0;
}

double median_ms(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("Usage: kestro_bench_folder_click HOME_WITH_SAMPLE [CLICKS]\n", stderr);
    return 1;
  }
  const int clicks = argc > 2 ? std::atoi(argv[2]) : 200;
  setenv("HOME", argv[1], 1);
  payload_init();
  fl_open_display();
  wizard_build();
  WizardState& s = wizard_state();
  for (const char* name : {"arduino-1.8.19/", "not-arduino/"}) {
    const int line = line_of(s.folder_browser, name);
    if (line == 0) {
      std::fprintf(stderr, "no line %s in %s\n", name, argv[1]);
      return 1;
    }
    std::vector<double> times;
    for (int i = 0; i < clicks; ++i) {
      s.folder_browser->select(line);
      const auto t0 = std::chrono::steady_clock::now();
      s.folder_browser->do_callback();
      const auto t1 = std::chrono::steady_clock::now();
      times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::printf("one click on %-16s median %.3f ms over %d clicks (Next %s)\n", name, median_ms(times), clicks,
                s.folder_next_button->active() ? "enabled" : "disabled");
  }
  return 0;
}
