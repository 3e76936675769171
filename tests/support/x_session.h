// A private X server and the programs a test runs on it, driven with
// xdotool and photographed with kestro_test_screenshot.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

/// Xvfb on the first free display; stopped when the object goes. Its
/// display is set as DISPLAY for this process and its children.
class XServer {
 public:
  XServer();
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  bool ok() const { return !display_.empty(); }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

/// A program running in the background, its output in a file; killed when
/// the object goes if it has not ended.
class BackgroundProgram {
 public:
  BackgroundProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                    const std::string& output_file);
  ~BackgroundProgram();
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;
  /// The exit status once it ends within `seconds`, -1 otherwise.
  int wait_exit(double seconds);

 private:
  pid_t pid_ = -1;
};

/// The id of the window titled exactly `title`, or "" after `seconds`.
std::string find_window(const std::string& title, double seconds);
/// Clicks (or, with clicks 2, double-clicks) at (x, y) inside `window`.
void click(const std::string& window, int x, int y, int clicks = 1);
/// The window as PNG bytes, also written to `path` when it is not empty.
std::string screenshot(const std::string& window, const std::string& path = "");
/// Takes screenshots until one differs from `before` and the next equals
/// it, so the window has settled after a click; returns it.
std::string settled_change(const std::string& window, const std::string& before, double seconds = 10);
