// Deciding where each payload entry goes, and placing it.
#pragma once

constexpr unsigned LINK_PATH_MAX = 511;
constexpr unsigned LIBRARY_NAME_MAX = 255;

/// Places payload entry `index` into the Arduino folder `folder` (ending in
/// "/") for the matched version: writes it as a file, stages it into a jar,
/// deletes the installed file it marks as obsolete, or skips it. Clears the
/// anti-virus hint flag first and sets it for entries that anti-virus
/// software is known to block. Returns 1 when a file was written or a class
/// staged, 0 when there was nothing to write, negative on failure (after
/// report_error, except for the few silent failures).
int route_entry(const char* folder, int index);

/// Files deleted because the payload marks them obsolete, since the last
/// entry_router_reset().
int router_deleted_files();
void entry_router_reset();
