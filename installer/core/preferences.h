// Points the Arduino IDE at a Kestro board after a wizard install, by
// editing the board lines of the IDE's preferences.txt.
#pragma once

#include <cstddef>
#include <string>

constexpr std::size_t PREFERENCES_PATH_SIZE = 4096;

/// Where the home directory comes from: the password database entry of the
/// real user id by default. Returns nullptr when there is none. Tests give
/// their own so that they never touch the real home.
using HomeLookup = const char* (*)();
void preferences_set_home_lookup(HomeLookup lookup);

/// The path of the existing preferences file for an Arduino folder (ending
/// in "/") of version code `version`, or nullptr. Valid until the next call.
const char* preferences_path(const char* folder, int version);

/// The preferences text with the board, package and platform lines set to
/// a Kestro board; returns false when the text already selects one.
bool preferences_rewrite(const std::string& old_text, std::string& new_text);

/// Best effort, silent: rewrites the preferences file when it does not
/// select a Kestro board. The new text goes to a temporary file beside the
/// old one, which replaces it only when every byte is on disk, keeping its
/// mode; on any failure the old file stays as it was.
void update_preferences(const char* folder, int version);

/// Restores the password-database lookup (for tests).
void preferences_reset();
