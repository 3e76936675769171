#include "preferences.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "run_program.h"

namespace {

std::string home_dir;
const char* scratch_home() { return home_dir.c_str(); }

class PreferencesTest : public testing::Test {
 protected:
  void SetUp() override {
    home_dir = scratch.path() + "/home";
    ide = scratch.path() + "/arduino-1.8.19/";
    preferences_set_home_lookup(scratch_home);
  }
  void TearDown() override { preferences_reset(); }

  std::string prefs15() const { return home_dir + "/.arduino15/preferences.txt"; }

  ScratchDir scratch;
  std::string ide;
};

}  // namespace

TEST_F(PreferencesTest, WhichFileEachVersionUses) {
  const std::string portable = ide + "/portable/preferences.txt";
  const std::string old_style = home_dir + "/.arduino/preferences.txt";
  write_file(prefs15(), "x=1\n");
  write_file(old_style, "x=1\n");
  const struct {
    int version;
    bool with_portable;
    std::string path;  // empty: none
  } cases[] = {
      {10819, false, prefs15()}, {10819, true, portable}, {10600, true, portable}, {99999, true, portable},
      {10599, true, prefs15()},  {10500, false, prefs15()}, {10498, false, old_style}, {10000, false, old_style},
      {10499, true, ""},         {9999, false, ""},         {100000, true, ""},       {0, false, ""},
  };
  for (const auto& c : cases) {
    unlink(portable.c_str());
    if (c.with_portable) write_file(portable, "x=1\n");
    const char* path = preferences_path(ide.c_str(), c.version);
    EXPECT_EQ(path ? path : "", c.path) << c.version;
  }
  unlink(prefs15().c_str());
  EXPECT_EQ(preferences_path(ide.c_str(), 10819), nullptr);  // never created
  preferences_reset();
}

TEST_F(PreferencesTest, RewritingTheBoardLines) {
  const struct {
    const char* what;
    std::string old_text;
    std::string new_text;  // empty: left untouched
  } cases[] = {
      {"a Kestro board already", "a=1\nboard=kestrolinden\ntarget_package=kestro\ntarget_platform=avr\n", ""},
      {"a Kestro board with CR LF", "board=kestrodune\r\ntarget_package=kestro\r\ntarget_platform=avr\r\nz=2\r\n", ""},
      {"another board", "board=uno\nx=1\ntarget_package=arduino\ntarget_platform=avr\n",
       "board=kestrofern\nx=1\ntarget_package=kestro\ntarget_platform=avr\n"},
      {"a Kestro board of another package", "board=kestromaple\ntarget_package=arduino\ntarget_platform=avr\n",
       "board=kestrofern\ntarget_package=kestro\ntarget_platform=avr\n"},
      {"none of the keys", "editor.font=Mono\r\nlast=1", "board=kestrofern\ntarget_package=kestro\ntarget_platform=avr\n"
                                                        "editor.font=Mono\r\nlast=1"},
      {"CR LF kept on other lines", "a=1\r\nboard=uno\r\ntarget_package=kestro\r\ntarget_platform=avr\r\nb=2\r\n",
       "a=1\r\nboard=kestrofern\ntarget_package=kestro\ntarget_platform=avr\nb=2\r\n"},
      {"a last line without its end", "target_package=kestro\ntarget_platform=avr\nboard=kestrofern",
       "target_package=kestro\ntarget_platform=avr\nboard=kestrofern\n"},
      {"the last of repeated keys decides", "board=uno\nboard=kestrocedar\ntarget_package=kestro\ntarget_platform=avr\n",
       ""},
      {"a board with a longer name", "board=kestrofern2\ntarget_package=kestro\ntarget_platform=avr\n",
       "board=kestrofern\ntarget_package=kestro\ntarget_platform=avr\n"},
      {"empty values count, with their line ends", "board=\ntarget_package=\ntarget_platform=\n",
       "board=kestrofern\ntarget_package=kestro\ntarget_platform=avr\n"},
      {"a key alone on the last line is too short", "x=1\nboard=",
       "board=kestrofern\ntarget_package=kestro\ntarget_platform=avr\nx=1\nboard="},
      {"an empty file", "", "board=kestrofern\ntarget_package=kestro\ntarget_platform=avr\n"},
      {"a zero byte is kept", std::string("a=\0b\nboard=uno\n", 14),
       std::string("target_package=kestro\ntarget_platform=avr\na=\0b\nboard=kestrofern\n", 64)},
  };
  for (const auto& c : cases) {
    std::string out = "unchanged";
    const bool changed = preferences_rewrite(c.old_text, out);
    EXPECT_EQ(changed, !c.new_text.empty()) << c.what;
    if (changed) {
      EXPECT_EQ(out, c.new_text) << c.what;
    }
  }
}

TEST_F(PreferencesTest, TheFileIsReplacedWholeKeepingItsModeAndLink) {
  write_file(home_dir + "/dotfiles/preferences.txt", "board=uno\nkeep=me\n");
  ASSERT_EQ(chmod((home_dir + "/dotfiles/preferences.txt").c_str(), 0600), 0);
  write_file(prefs15() + ".tmp", "");
  unlink((prefs15() + ".tmp").c_str());
  ASSERT_EQ(symlink("../dotfiles/preferences.txt", prefs15().c_str()), 0);
  update_preferences(ide.c_str(), 10819);
  EXPECT_EQ(read_file(prefs15()), "target_package=kestro\ntarget_platform=avr\nboard=kestrofern\nkeep=me\n");
  struct stat st{};
  ASSERT_EQ(lstat(prefs15().c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(prefs15().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  // Nothing is left beside it, and an accepted file is not rewritten.
  RunResult listing = run_program({"/bin/ls", "-A", home_dir + "/dotfiles"});
  EXPECT_EQ(listing.out, "preferences.txt\n");
  const ino_t inode = st.st_ino;
  update_preferences(ide.c_str(), 10819);
  ASSERT_EQ(stat(prefs15().c_str(), &st), 0);
  EXPECT_EQ(st.st_ino, inode);
}

TEST_F(PreferencesTest, AFileTheUserMayNotWriteIsLeftAlone) {
  constexpr uid_t NOBODY = 65534;
  write_file(prefs15(), "board=uno\n");
  ASSERT_EQ(chmod(prefs15().c_str(), 0644), 0);
  // The folder is open to the user, so only the file's own mode says no.
  ASSERT_EQ(chmod((home_dir + "/.arduino15").c_str(), 0777), 0);
  ASSERT_EQ(chmod(scratch.path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(home_dir.c_str(), 0755), 0);
  const pid_t child = fork();
  if (child == 0) {
    if (setresgid(NOBODY, NOBODY, NOBODY) != 0 || setresuid(NOBODY, NOBODY, NOBODY) != 0) _exit(2);
    // The file must be within the user's reach, or the test proves nothing.
    if (access(prefs15().c_str(), R_OK) != 0) _exit(3);
    update_preferences(ide.c_str(), 10819);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(read_file(prefs15()), "board=uno\n");
  RunResult listing = run_program({"/bin/ls", "-A", home_dir + "/.arduino15"});
  EXPECT_EQ(listing.out, "preferences.txt\n");
}

TEST_F(PreferencesTest, OnAFullDiskTheOldFileSurvives) {
  // A small file system of its own, inside this test's mount namespace.
  write_file(home_dir + "/.keep", "");
  ASSERT_EQ(mount("prefs", home_dir.c_str(), "tmpfs", 0, "size=64k"), 0);
  std::string old_text = "board=uno\n";
  for (int i = 0; old_text.size() < 20000; ++i) old_text += "recent.sketch" + std::to_string(i) + "=/home/me/s\n";
  write_file(prefs15(), old_text);
  // Fill what is left.
  RunResult fill = run_program({"/bin/sh", "-c", "cat /dev/zero > '" + home_dir + "/filler'"});
  ASSERT_NE(fill.exit_code, 0);
  update_preferences(ide.c_str(), 10819);
  EXPECT_EQ(read_file(prefs15()), old_text);
  RunResult listing = run_program({"/bin/ls", "-A", home_dir + "/.arduino15"});
  EXPECT_EQ(listing.out, "preferences.txt\n");
  // With room again the update goes through.
  unlink((home_dir + "/filler").c_str());
  update_preferences(ide.c_str(), 10819);
  EXPECT_TRUE(read_file(prefs15()).starts_with("target_package=kestro\ntarget_platform=avr\nboard=kestrofern\n"));
  umount(home_dir.c_str());
}
