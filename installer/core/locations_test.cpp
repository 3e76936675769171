#include "locations.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "payload.h"
#include "run_program.h"

namespace fs = std::filesystem;

namespace {

class LocationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    payload_init();
    payload_reset_state();
  }
  void TearDown() override { payload_reset_state(); }
  static void match(const char* version) { set_matched_version(version, std::strlen(version)); }
};

TEST_F(LocationsTest, LooksUpEachKeyOfTheMatchedRelease) {
  EXPECT_EQ(location_lookup("TOOL_SUBDIR"), nullptr);  // nothing matched yet
  match("1.8.19");
  struct Case {
    const char* key;
    const char* value;  // nullptr: nothing
  } cases[] = {
      {"TOOL_SUBDIR", "hardware/tools/"},
      {"PLUGIN_SUBDIR", "tools/"},
      {"ARMLIB_SUBDIR", "hardware/tools/arm/arm-none-eabi/lib/"},
      {"LIBRARY_SUBDIR", "hardware/kestro/avr/libraries/"},
      {"CORES_SUBDIR", "hardware/kestro/avr/cores/"},
      {"KEYWORDS_SUBDIR", "lib/"},
      {"VERSION_SUBDIR", "lib/"},
      {"EXAMPLES_SUBDIR", "examples/"},
      {"BOARDS_SUBDIR", "hardware/kestro/avr/"},
      {"ARDUINO_JAR_FILE1", "lib/pde.jar"},
      {"ARDUINO_JAR_FILE2", "lib/arduino-core.jar"},
      {"SUBDIR", "hardware/tools/"},  // raw text: the first key that contains it
      {"OS_LINUX", nullptr},          // no quoted value after it
      {"MISSING_SUBDIR", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    const char* got = location_lookup(c.key);
    if (c.value)
      EXPECT_STREQ(got, c.value) << c.key;
    else
      EXPECT_EQ(got, nullptr) << c.key;
  }
}

TEST_F(LocationsTest, OddFiles) {
  match("2.0.0");
  EXPECT_EQ(location_lookup("ODD_SUBDIR"), nullptr);  // later occurrences are not searched
  EXPECT_EQ(std::string(location_lookup("LONG_SUBDIR")), std::string(255, 'x'));
  EXPECT_STREQ(location_lookup("OPEN_SUBDIR"), "runs to the end\n");
  const char* first = location_lookup("OPEN_SUBDIR");
  location_lookup("LONG_SUBDIR");
  EXPECT_EQ(std::string(first), std::string(255, 'x'));  // one shared buffer
  match("1.8.1");
  EXPECT_EQ(location_lookup("TOOL_SUBDIR"), nullptr);  // no locations.txt for it
}

TEST_F(LocationsTest, ObsoleteLibrariesGoAndLinksAreNotFollowed) {
  match("1.8.19");
  ScratchDir s;
  const std::string libs = s / "ide/hardware/kestro/avr/libraries/";
  write_file(s / "outside/keep.txt", "keep");
  write_file(libs + "openGLCD/openGLCD.h", "x");
  write_file(libs + "openGLCD/fonts/a/b/font.h", "x");
  write_file(libs + "ST7565/ST7565.cpp", "x");
  write_file(libs + "SD/SD.h", "x");
  write_file(libs + "SD/utility/Sd2Card.h", "x");
  write_file(libs + "Servo/Servo.h", "x");
  fs::create_symlink(s / "outside", libs + "Adafruit_GFX");  // the folder itself is a link: not opened as ours
  fs::create_directories(libs + "Adafruit_RA8875");
  fs::create_symlink(s / "outside", libs + "Adafruit_RA8875/linked-dir");
  fs::create_symlink(s / "outside/keep.txt", libs + "Adafruit_RA8875/linked-file");

  remove_obsolete_libraries((s / "ide/").c_str());

  for (const char* gone : {"openGLCD", "ST7565", "SD/utility", "Adafruit_RA8875"})
    EXPECT_FALSE(fs::exists(fs::symlink_status(libs + gone))) << gone;
  EXPECT_TRUE(fs::exists(libs + "SD/SD.h"));
  EXPECT_TRUE(fs::exists(libs + "Servo/Servo.h"));
  EXPECT_EQ(read_file(s / "outside/keep.txt"), "keep");
}

TEST_F(LocationsTest, RemovalReportsWhetherTheFolderOpened) {
  ScratchDir s;
  EXPECT_FALSE(remove_folder_contents((s / "absent").c_str()));
  write_file(s / "d/a/b.txt", "x");
  EXPECT_TRUE(remove_folder_contents((s / "d").c_str()));
  EXPECT_TRUE(fs::is_empty(s / "d"));
}

}  // namespace
