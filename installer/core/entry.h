// The installer's entry: the mode choice and the command-line install.
#pragma once

#include <cstddef>

constexpr std::size_t TARGET_FOLDER_SIZE = 4096;
/// Longest --dir= path: with the added "/" and the terminator it fills
/// target_folder exactly.
constexpr std::size_t MAX_FOLDER_ARGUMENT = TARGET_FOLDER_SIZE - 2;

/// Program-wide state of the installer's flow.
struct InstallerState {
  char target_folder[TARGET_FOLDER_SIZE];  ///< the Arduino folder, ending in "/"
  int arduino_version;                     ///< version code of the last validation
};

InstallerState& installer_state();

/// The text after "--dir=" of the first argument (after the program name)
/// that begins with it, or nullptr when there is none: then the wizard runs.
const char* find_dir_argument(int argc, char** argv);

/// Copies `path` into target_folder with exactly one trailing "/".
/// Returns false, leaving target_folder alone, when it is longer than
/// MAX_FOLDER_ARGUMENT.
bool set_target_folder(const char* path);

/// The whole command-line install into `path`. Messages go to standard error;
/// success prints nothing. Returns the exit code: 0 or 1.
int command_line_install(const char* path);
