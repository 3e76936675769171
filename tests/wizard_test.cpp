// The wizard's real window under a private Xvfb, driven with xdotool. The
// test process has its own mount and network namespaces: tmpfs over /tmp
// and /etc/udev/rules.d, and the sample home mounted over the home that
// the password database names, so nothing of the machine is touched.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>
#include <string>

#include "private_mounts.h"
#include "run_program.h"
#include "x_session.h"

namespace fs = std::filesystem;

namespace {

// Points in the window: the page buttons and the widgets the test uses.
constexpr int BACK_X = 185, NEXT_X = 285, CANCEL_X = 435, BUTTON_Y = 336;
constexpr int HELP_X = 353;
constexpr int SECOND_FOLDER_LINE_Y = 141;  // the first line is "../"
constexpr int FIRST_LIBRARY_LINE_Y = 110;
constexpr int BANNER_BOTTOM = 62, LIST_TOP = 96;  // below the round buttons
constexpr int MENU_X = 450, MENU_Y = 90, SECOND_MENU_ITEM_Y = 106, BROWSER_TOP = 110;

std::string shots_dir() { return bin_path("../screenshots"); }

// The window's pixels, as a PPM image.
struct Pixels {
  int width = 0, height = 0;
  std::string rgb;
  const unsigned char* at(int x, int y) const {
    return reinterpret_cast<const unsigned char*>(rgb.data()) + (static_cast<std::size_t>(y) * width + x) * 3;
  }
};

Pixels pixels(const std::string& window) {
  ScratchDir scratch;
  run_program({bin_path("kestro_test_screenshot"), window, scratch / "shot.ppm"});
  const std::string ppm = read_file(scratch / "shot.ppm");
  Pixels p;
  int header = 0;
  if (std::sscanf(ppm.c_str(), "P6\n%d %d\n255\n%n", &p.width, &p.height, &header) == 2 && header > 0)
    p.rgb = ppm.substr(static_cast<std::size_t>(header));
  return p;
}

// The rows from y0 down to the buttons: a part of the page where the
// keyboard focus is not drawn.
std::string page_body(const std::string& window, int y0) {
  const Pixels p = pixels(window);
  const std::size_t row = static_cast<std::size_t>(p.width) * 3;
  if (p.rgb.size() < row * 312) return "";
  return p.rgb.substr(row * y0, row * (312 - y0));
}

// The pixels of a rectangle of the window.
std::string region(const std::string& window, int x0, int y0, int x1, int y1) {
  const Pixels p = pixels(window);
  std::string out;
  for (int y = y0; y < y1 && y < p.height; ++y)
    for (int x = x0; x < x1 && x < p.width; ++x) out.append(reinterpret_cast<const char*>(p.at(x, y)), 3);
  return out;
}

// The udev page's message, without the input's text cursor at its left.
std::string udev_text(const std::string& window) { return region(window, 40, 95, 465, 240); }

// The rows of a region that hold any dark pixel: lines of text show up as
// bands of such rows.
int rows_with_text(const std::string& window, int x0, int y0, int x1, int y1) {
  const Pixels p = pixels(window);
  int rows = 0;
  for (int y = y0; y < y1 && y < p.height; ++y)
    for (int x = x0; x < x1 && x < p.width; ++x) {
      const unsigned char* c = p.at(x, y);
      if (c[0] < 80 && c[1] < 80 && c[2] < 80) {
        ++rows;
        break;
      }
    }
  return rows;
}

class WizardTest : public testing::Test {
 protected:
  void SetUp() override {
    const passwd* pw = getpwuid(getuid());
    ASSERT_NE(pw, nullptr);
    home = pw->pw_dir;
    ASSERT_EQ(mount((scratch / "").c_str(), home.c_str(), nullptr, MS_BIND, nullptr), 0) << home;
    ide = home + "/arduino-1.8.19";
    RunResult r = run_program({source_path("scripts/make-sample-arduino"), "1.8.19", ide});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    for (const char* obsolete : {"Adafruit_GFX", "openGLCD"})
      write_file(ide + "/hardware/kestro/avr/libraries/" + obsolete + "/old.h", "old");
    write_file(home + "/.arduino15/preferences.txt",
               "editor.font=Mono\nboard=uno\ntarget_package=arduino\ntarget_platform=avr\n");
    write_file("/etc/udev/rules.d/00-kestro.rules", read_file(source_path("staging/00-kestro.rules")));
    fs::create_directories(shots_dir());
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  }

  void TearDown() override { umount2(home.c_str(), MNT_DETACH); }

  void start(const std::vector<std::string>& options = {}, const std::string& title = "Kestrokit 1.57 Installer") {
    std::vector<std::string> argv{bin_path("kestrokit")};
    argv.insert(argv.end(), options.begin(), options.end());
    wizard = std::make_unique<BackgroundProgram>(argv, std::vector<std::string>{"HOME=" + home, "DISPLAY=" + x.display()},
                                                 output());
    window = find_window(title, 20);
    ASSERT_NE(window, "") << "the wizard's window did not appear";
    shot = settled_change(window, "");
  }

  // Clicks and waits for the window to show something new.
  void press(int px, int py, int clicks = 1) {
    const std::string before = shot;
    click(window, px, py, clicks);
    shot = settled_change(window, before);
    ASSERT_NE(shot, before) << "nothing changed after a click at " << px << "," << py;
  }

  std::string output() const { return scratch.path() + "/../wizard-" + std::to_string(getpid()) + ".out"; }

  void save(const std::string& name) { screenshot(window, shots_dir() + "/" + name); }

  // Welcome, udev (passing), and a click (or a double click, which also
  // opens it) on the sample folder.
  void walk_to_folder_choice(int clicks = 1) {
    press(NEXT_X, BUTTON_Y);
    // The first check runs 0.02 s after the page shows; wait it out.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    shot = screenshot(window);
    save("2-udev.png");
    press(NEXT_X, BUTTON_Y);
    home_listing = page_body(window, BROWSER_TOP);
    press(120, SECOND_FOLDER_LINE_Y, clicks);
  }

  XServer x;
  ScratchDir scratch;
  std::string home, ide, window, shot, home_listing;
  std::unique_ptr<BackgroundProgram> wizard;
};

}  // namespace

TEST_F(WizardTest, WalksAllSixPagesAndInstallsTheCheckedLibraries) {
  start();
  save("1-welcome.png");
  walk_to_folder_choice();
  save("3-folder.png");

  // The help window explains the chosen folder's validation.
  click(window, HELP_X, BUTTON_Y);
  const std::string help = find_window("Kestrokit 1.57 Help", 10);
  ASSERT_NE(help, "");
  settled_change(help, "");
  screenshot(help, shots_dir() + "/7-help.png");
  click(help, 200, BUTTON_Y);

  press(NEXT_X, BUTTON_Y);                // to the libraries
  press(60, FIRST_LIBRARY_LINE_Y);        // Encoder: unchecked and shown
  save("4-libraries.png");
  press(NEXT_X, BUTTON_Y);
  save("5-install.png");
  press(NEXT_X, BUTTON_Y);                // Install

  // The run ends with the obsolete folders' removal, then the last page.
  const std::string obsolete = ide + "/hardware/kestro/avr/libraries/Adafruit_GFX";
  for (int i = 0; i < 600 && fs::exists(obsolete); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(fs::exists(obsolete));
  EXPECT_FALSE(fs::exists(ide + "/hardware/kestro/avr/libraries/openGLCD"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  shot = settled_change(window, "");
  save("6-finished.png");

  const std::string libraries = ide + "/hardware/kestro/avr/libraries/";
  EXPECT_FALSE(fs::exists(libraries + "Encoder"));
  EXPECT_TRUE(fs::exists(libraries + "OneWire/OneWire.h"));
  EXPECT_TRUE(fs::exists(libraries + "Servo"));
  EXPECT_EQ(read_file(ide + "/lib/kestrokit.txt"), "1.57");
  EXPECT_EQ(read_file(home + "/.arduino15/preferences.txt"),
            "editor.font=Mono\nboard=kestrofern\ntarget_package=kestro\ntarget_platform=avr\n");

  click(window, CANCEL_X, BUTTON_Y);  // Done
  EXPECT_EQ(wizard->wait_exit(10), 0);
}

TEST_F(WizardTest, AFolderThatCannotBeWrittenShowsTheErrorAndAllowsAnotherRun) {
  ASSERT_EQ(mount(ide.c_str(), ide.c_str(), nullptr, MS_BIND, nullptr), 0);
  ASSERT_EQ(mount(nullptr, ide.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);
  start();
  walk_to_folder_choice(2);  // the opened folder is the candidate too
  save("3-folder-opened.png");
  // Its parent from the menu lists the home again; then a click picks it.
  click(window, MENU_X, MENU_Y);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  click(window, 120, SECOND_MENU_ITEM_Y);
  shot = settled_change(window, shot);
  EXPECT_TRUE(page_body(window, BROWSER_TOP) == home_listing) << "the menu did not list the home folder";
  press(120, SECOND_FOLDER_LINE_Y);
  press(NEXT_X, BUTTON_Y);
  const std::string library_page = page_body(window, LIST_TOP);
  press(NEXT_X, BUTTON_Y);
  const std::string ready = page_body(window, BANNER_BOTTOM);
  EXPECT_LT(rows_with_text(window, 64, 136, 436, 296), 2);  // the status box is empty
  press(NEXT_X, BUTTON_Y);  // Install
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  save("5-install-error.png");
  // The composed text fills the status box with many lines, where a file
  // name would take one.
  EXPECT_GT(rows_with_text(window, 64, 136, 436, 296), 60);

  // Back is enabled again; Next on the library page resets the page.
  press(BACK_X, BUTTON_Y);
  EXPECT_TRUE(page_body(window, LIST_TOP) == library_page) << "Back did not return to the library page as it was";
  press(NEXT_X, BUTTON_Y);
  EXPECT_TRUE(page_body(window, BANNER_BOTTOM) == ready) << "the install page was not reset";
  click(window, CANCEL_X, BUTTON_Y);
  EXPECT_EQ(wizard->wait_exit(10), 0);
}

TEST_F(WizardTest, TheUdevPageWaitsForTheRulesAndSeesThemArrive) {
  unlink("/etc/udev/rules.d/00-kestro.rules");
  start();
  press(NEXT_X, BUTTON_Y);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  save("2-udev-missing.png");
  const std::string rules = read_file(source_path("staging/00-kestro.rules"));
  EXPECT_EQ(read_file("/tmp/00-kestro.rules"), rules);  // ready for the advised sudo cp
  // Next stays disabled while the check fails.
  const std::string failing = udev_text(window);
  ASSERT_GT(rows_with_text(window, 40, 95, 465, 240), 40);  // the reason and the command
  const std::string failing_page = page_body(window, BANNER_BOTTOM);
  click(window, NEXT_X, BUTTON_Y);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  EXPECT_TRUE(page_body(window, BANNER_BOTTOM) == failing_page) << "the page moved on without the rules";
  // The user runs the advised command; the repeating check notices.
  ASSERT_EQ(run_program({"/bin/cp", "/tmp/00-kestro.rules", "/etc/udev/rules.d/"}).exit_code, 0);
  shot = settled_change(window, screenshot(window), 5);
  const std::string passing = udev_text(window);
  EXPECT_FALSE(passing == failing) << "the page did not see the rules arrive";
  EXPECT_LT(rows_with_text(window, 40, 95, 465, 240), 20);  // one line of success
  press(NEXT_X, BUTTON_Y);  // now enabled: the folder page
  // Back from the folder page checks again and finds the rules in order.
  press(BACK_X, BUTTON_Y);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_TRUE(udev_text(window) == passing);
  click(window, CANCEL_X, BUTTON_Y);
  EXPECT_EQ(wizard->wait_exit(10), 0);
}

TEST_F(WizardTest, ToolkitOptionsPassThroughAndUnknownOnesAreExplained) {
  start({"-bogus", "-title", "Elsewhere"});
  EXPECT_TRUE(read_file(output()).starts_with("options are:")) << read_file(output());
  // FLTK stops reading at the first option it does not know.
  click(window, CANCEL_X, BUTTON_Y);
  EXPECT_EQ(wizard->wait_exit(10), 0);
  start({"-title", "Elsewhere"}, "Elsewhere");
  click(window, CANCEL_X, BUTTON_Y);
  EXPECT_EQ(wizard->wait_exit(10), 0);
}

namespace {

class PrivateMounts : public testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(enter_private_mounts(true), "") << "the wizard tests need private namespaces"; }
};

const testing::Environment* const private_mounts = testing::AddGlobalTestEnvironment(new PrivateMounts);

}  // namespace
