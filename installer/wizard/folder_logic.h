// The folder arithmetic behind the folder page. Both "/" and the backslash
// count as separators.
#pragma once

#include <cstddef>
#include <string>

constexpr std::size_t FOLDER_PATH_SIZE = 4096;
constexpr std::size_t MENU_TEXT_SIZE = 8192;

/// $HOME with a trailing "/" when it opens as a directory, otherwise "/".
/// Written into `out` of FOLDER_PATH_SIZE bytes.
void default_folder(char* out);
/// True when `path` opens as a directory.
bool is_directory(const char* path);
/// True for "" and for exactly "/".
bool is_root_path(const char* path);
/// /home/user/ becomes /home/; a root path stays; a path without any
/// separator becomes empty. Never touches memory before the buffer.
void parent_folder(char* path);
/// Appends `name` so that the result and its terminator fit in `size`,
/// cutting the name if they would not.
void append_bounded(char* path, std::size_t size, const char* name);
/// The menu item text for a folder: "/", "\" and "_" escaped with a
/// backslash so the menu does not read them as submenus or dividers, and
/// "&" doubled so it is drawn rather than taken for a shortcut mark;
/// "[All Drives]" for "". Written into `out` of MENU_TEXT_SIZE bytes.
void menu_item_text(const char* folder, char* out);
/// The folder of a menu item's label (the menu keeps the doubled "&"):
/// "" for "[All Drives]". Written into `out` of FOLDER_PATH_SIZE bytes.
void menu_item_folder(const char* label, char* out);
/// False for the browser lines that are hidden: names beginning with "$" or
/// ".", except "../" and ".arduino-..." folders.
bool folder_line_shown(const char* line);
