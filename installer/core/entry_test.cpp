#include "entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* dir_argument(std::vector<std::string> args) {
  static std::vector<std::string> keep;
  keep = std::move(args);
  static std::vector<char*> argv;
  argv.clear();
  for (std::string& a : keep) argv.push_back(a.data());
  return find_dir_argument(static_cast<int>(argv.size()), argv.data());
}

TEST(EntryTest, ModeChoiceTakesTheFirstDirArgument) {
  struct Case {
    std::vector<std::string> args;
    const char* dir;  // nullptr: wizard mode
  } cases[] = {
      {{"kestrokit"}, nullptr},
      {{"kestrokit", "--dir"}, nullptr},
      {{"kestrokit", "--DIR=/opt"}, nullptr},
      {{"kestrokit", "-dir=/opt"}, nullptr},
      {{"--dir=/prog"}, nullptr},  // the program name is never an option
      {{"kestrokit", "--dir="}, ""},
      {{"kestrokit", "-bg", "red", "--dir=a", "--dir=b"}, "a"},
      {{"kestrokit", "--dir=rel/path", "junk"}, "rel/path"},
  };
  for (const Case& c : cases) {
    const char* got = dir_argument(c.args);
    if (!c.dir)
      EXPECT_EQ(got, nullptr) << c.args.back();
    else
      EXPECT_STREQ(got, c.dir) << c.args.back();
  }
}

TEST(EntryTest, TargetFolderEndsWithOneSlash) {
  ASSERT_TRUE(set_target_folder("/opt/arduino-1.8.19"));
  EXPECT_STREQ(installer_state().target_folder, "/opt/arduino-1.8.19/");
  ASSERT_TRUE(set_target_folder("/opt/arduino-1.8.19/"));
  EXPECT_STREQ(installer_state().target_folder, "/opt/arduino-1.8.19/");
  ASSERT_TRUE(set_target_folder("relative"));
  EXPECT_STREQ(installer_state().target_folder, "relative/");
}

TEST(EntryTest, TargetFolderTakes4094CharactersAndNoMore) {
  const std::string fits(4094, 'd');
  ASSERT_TRUE(set_target_folder(fits.c_str()));
  EXPECT_EQ(std::string(installer_state().target_folder), fits + "/");

  const std::string too_long(4095, 'd');
  EXPECT_FALSE(set_target_folder(too_long.c_str()));
  EXPECT_EQ(std::string(installer_state().target_folder), fits + "/");  // untouched
}

}  // namespace
