// Deciding whether a folder is a supported Arduino IDE, and which one.
#pragma once

#include <cstddef>

constexpr std::size_t SUPPORTED_LIST_MAX = 255;
constexpr int SUPPORTED_VERSIONS_MAX = 20;

/// The payload's version folders in ascending release order, joined by
/// ", " (at most 255 characters, at most 20 folders). Built on first use.
const char* supported_versions();

/// Validates the Arduino folder `folder` (ending in "/") against each version
/// folder in payload order. The first whose criteria pass and whose
/// downgrade guard allows becomes the matched version. Clears and rewrites
/// the validation log. Returns the version code (10819 for 1.8.19), or 0
/// with the matched version cleared when nothing matched.
int validate_folder(const char* folder);

/// Forgets the supported-version list (for tests).
void validation_reset();
