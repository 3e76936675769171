// Where each kind of file goes in the matched IDE release.
#pragma once

#include <cstddef>

constexpr std::size_t LOCATION_VALUE_MAX = 255;
constexpr std::size_t REMOVAL_PATH_SIZE = 8192;

/// The value of `key` in the matched version's locations.txt ("hardware/tools/"
/// for TOOL_SUBDIR), cut at 255 characters, or nullptr when there is no
/// matched version, no such file, or no quoted value after the key's first
/// occurrence. The text lives in one shared buffer: the next lookup
/// overwrites it.
const char* location_lookup(const char* key);

/// Deletes everything below `path`. A symbolic link is removed, never
/// followed; `path` itself must not be a link. Returns false when it cannot
/// be opened as a folder.
bool remove_folder_contents(const char* path);

/// Removes the library folders that older add-ons installed and this one
/// replaces, below the LIBRARY_SUBDIR of the Arduino folder `folder`.
/// Failures are ignored.
void remove_obsolete_libraries(const char* folder);
