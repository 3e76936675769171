// Merging the add-on's classes into the IDE's jar files.
#pragma once

#include <cstddef>

constexpr std::size_t JAR_LOCATION_MAX = 255;

/// Stages payload entry `entry` as member `member` of the jar at
/// `folder` + `jar_location`, opening that jar (and committing any other
/// open one) first. Nothing is written until the commit; the bytes are read
/// from the payload then. Returns 1, or a negative value after report_error.
int jar_stage_class(const char* folder, const char* member, int entry, const char* jar_location);

/// Writes the open jar, if any. On failure the staged changes are dropped,
/// the jar on disk stays as it was, and "Unable to write changes to ..." is
/// reported. Returns true on success or when no jar is open.
bool jar_commit();

/// Counts of members since the last jar_patch_reset (for reports and tests).
struct JarStats {
  int replaced;
  int added;
};
JarStats jar_stats();

/// Drops an open jar without writing it and clears the counts (for tests).
void jar_patch_reset();
