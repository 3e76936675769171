// Checking an Arduino folder against one version folder's criteria file.
#pragma once

#include <cstddef>

constexpr std::size_t CRITERIA_PATH_SIZE = 8192;
constexpr std::size_t CRITERIA_FOLDER_MAX = 8151;
constexpr std::size_t CRITERIA_FIELD_SHOWN = 1022;
constexpr std::size_t CRITERIA_JAR_SHOWN = 1023;
constexpr std::size_t VERSION_LINE_MAX = 127;

/// An IDE release number; beta is 0 for a final release.
struct ReleaseNumber {
  int major = 0, minor = 0, patch = 0, beta = 0;
};

/// Reads a version folder name as "%d.%d.%d-beta%d" or "%d.%d.%d".
/// Returns false when it fits neither: such a folder never matches.
bool release_from_name(const char* name, ReleaseNumber& release);

/// Runs every line of the criteria text (`text`, `size` bytes) against the
/// Arduino folder `folder` (ending in "/"), for the release `release`,
/// writing each check and its result to the validation log. Returns true
/// when every line passes; stops at the first that fails.
bool criteria_check(const char* folder, const char* text, std::size_t size, const ReleaseNumber& release);
