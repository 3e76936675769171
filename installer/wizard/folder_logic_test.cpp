#include "folder_logic.h"

#include <FL/Fl_Choice.H>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "run_program.h"

TEST(FolderLogicTest, ParentFolder) {
  const struct {
    const char* path;
    const char* parent;
  } cases[] = {
      {"/home/user/", "/home/"}, {"/home/user", "/home/"}, {"/home/", "/"},     {"/", "/"},
      {"", ""},                  {"user", ""},             {"user/", ""},       {"C:\\Users\\me\\", "C:\\Users\\"},
      {"/opt/a\\b/", "/opt/a\\"},
  };
  for (const auto& c : cases) {
    char buffer[FOLDER_PATH_SIZE];
    std::snprintf(buffer, sizeof buffer, "%s", c.path);
    parent_folder(buffer);
    EXPECT_STREQ(buffer, c.parent) << c.path;
  }
}

TEST(FolderLogicTest, AppendBoundedCutsAtTheBuffer) {
  char buffer[FOLDER_PATH_SIZE];
  const std::string base = "/" + std::string(4090, 'a') + "/";  // 4092 characters
  std::snprintf(buffer, sizeof buffer, "%s", base.c_str());
  append_bounded(buffer, sizeof buffer, "bc/");
  EXPECT_EQ(std::string(buffer), base + "bc/");  // 4095: fits exactly
  std::snprintf(buffer, sizeof buffer, "%s", base.c_str());
  append_bounded(buffer, sizeof buffer, "bcde/");
  EXPECT_EQ(std::string(buffer), base + "bcd");
  append_bounded(buffer, sizeof buffer, "more");
  EXPECT_EQ(std::string(buffer).size(), 4095u);
}

TEST(FolderLogicTest, MenuTextShowsSpecialCharactersLiterally) {
  const struct {
    const char* folder;
    const char* text;
  } cases[] = {
      {"/home/user/", "\\/home\\/user\\/"},
      {"/a&b_c\\d/", "\\/a&&b\\_c\\\\d\\/"},
      {"", "[All Drives]"},
  };
  for (const auto& c : cases) {
    char text[MENU_TEXT_SIZE];
    menu_item_text(c.folder, text);
    EXPECT_STREQ(text, c.text);
  }
  // The longest folder, all separators, still fits its doubled text.
  const std::string slashes(4095, '/');
  char text[MENU_TEXT_SIZE];
  menu_item_text(slashes.c_str(), text);
  EXPECT_EQ(std::string(text).size(), 8190u);
}

TEST(FolderLogicTest, WhichLinesTheBrowserShows) {
  const struct {
    const char* line;
    bool shown;
  } cases[] = {
      {"../", true},    {".config/", false}, {".arduino-1.8.19/", true}, {".arduino15/", false},
      {"$RECYCLE/", false}, {"arduino-1.8.19/", true}, {"./", false},
  };
  for (const auto& c : cases) EXPECT_EQ(folder_line_shown(c.line), c.shown) << c.line;
}

TEST(FolderLogicTest, DefaultFolderComesFromHome) {
  ScratchDir scratch;
  const std::string home = scratch.path() + "/home";
  mkdir(home.c_str(), 0755);
  const std::string file = scratch.path() + "/file";
  FILE* f = std::fopen(file.c_str(), "w");
  std::fclose(f);
  const char* saved = std::getenv("HOME");
  const std::string keep = saved ? saved : "";
  const std::string home_slash = home + "/";
  const struct {
    const char* home;  // nullptr: unset
    std::string folder;
  } cases[] = {
      {home.c_str(), home + "/"}, {home_slash.c_str(), home + "/"}, {file.c_str(), "/"},
      {"/no/such/folder", "/"},   {nullptr, "/"},
  };
  for (const auto& c : cases) {
    if (c.home)
      setenv("HOME", c.home, 1);
    else
      unsetenv("HOME");
    char folder[FOLDER_PATH_SIZE];
    default_folder(folder);
    EXPECT_EQ(folder, c.folder) << (c.home ? c.home : "(unset)");
  }
  if (saved) setenv("HOME", keep.c_str(), 1);
  EXPECT_TRUE(is_root_path("") && is_root_path("/") && !is_root_path("//") && !is_root_path("/home/"));
}

TEST(FolderLogicTest, MenuItemsGiveBackTheirFolders) {
  // The folder page takes the chosen item's label back as the listed folder.
  Fl_Choice menu(0, 0, 100, 20);
  for (const char* folder : {"/home/a&b_c\\d/", "/x&&y/", "/", "_x/", "&", ""}) {
    char text[MENU_TEXT_SIZE];
    menu_item_text(folder, text);
    const int at = menu.add(text, 0, nullptr);
    ASSERT_GE(at, 0) << folder;
    char back[FOLDER_PATH_SIZE];
    menu_item_folder(menu.menu()[at].label(), back);
    EXPECT_STREQ(back, folder);
  }
  EXPECT_EQ(menu.size(), 7);  // six items and the terminator
  // The longest folder comes back whole.
  const std::string amps(4095, '&');
  char text[MENU_TEXT_SIZE], back[FOLDER_PATH_SIZE];
  menu_item_text(amps.c_str(), text);
  menu_item_folder(text, back);
  EXPECT_EQ(back, amps);
}
