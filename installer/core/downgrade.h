// Refusing to install over a newer Kestrokit.
#pragma once

/// The add-on's version as a literal, for texts that are built at compile time.
#define KESTROKIT_VERSION_TEXT "1.57"
constexpr const char* KESTROKIT_VERSION = KESTROKIT_VERSION_TEXT;
constexpr unsigned INSTALLED_VERSION_PATH_SIZE = 5120;

/// Reads <folder>lib/kestrokit.txt. Returns false, after five lines in the
/// validation log, when it names a newer version than this installer's;
/// true otherwise, including when the file is missing or holds no number.
bool downgrade_guard(const char* folder);
