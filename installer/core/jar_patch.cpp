#include "jar_patch.h"

#include <zip.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "entry.h"
#include "error_report.h"
#include "payload.h"

namespace {

struct JarState {
  zip_t* zip;
  char path[TARGET_FOLDER_SIZE];
  JarStats stats;
};

JarState state;

bool open_jar(const char* path) {
  int err = 0;
  state.zip = zip_open(path, 0, &err);
  if (!state.zip) return false;
  std::snprintf(state.path, sizeof state.path, "%s", path);
  return true;
}

}  // namespace

int jar_stage_class(const char* folder, const char* member, int entry, const char* jar_location) {
  char location[JAR_LOCATION_MAX + 1];
  std::snprintf(location, sizeof location, "%s", jar_location);
  char path[TARGET_FOLDER_SIZE];
  std::snprintf(path, sizeof path, "%s%s", folder, location);

  if (state.zip && std::strcmp(state.path, path) != 0 && !jar_commit()) return -1;
  if (!state.zip && !open_jar(path)) return report_error("Unable to open file \"%s\".", path);

  zip_source_t* source = zip_source_buffer(state.zip, payload_data[entry], payload_sizes[entry], 0);
  // Every failure from here on commits first, so that the staging message,
  // set last, is the one the user sees.
  if (!source) {
    jar_commit();
    return report_error("Error decompression allocating buffer.");
  }

  zip_int64_t index = zip_name_locate(state.zip, member, 0);
  if (index >= 0) {
    if (zip_file_replace(state.zip, static_cast<zip_uint64_t>(index), source, 0) != 0) {
      zip_source_free(source);
      jar_commit();
      return report_error("Unable to write \"%s\", replace %s object \"%s\".", location, "replacing", member);
    }
    ++state.stats.replaced;
  } else {
    if (zip_file_add(state.zip, member, source, 0) < 0) {
      zip_source_free(source);
      jar_commit();
      return report_error("Unable to write \"%s\", add %s object \"%s\".", location, "adding", member);
    }
    ++state.stats.added;
  }
  return 1;
}

bool jar_commit() {
  if (!state.zip) return true;
  zip_t* zip = state.zip;
  state.zip = nullptr;
  if (zip_close(zip) == 0) return true;
  report_error("Unable to write changes to \"%s\"", state.path);
  zip_unchange_all(zip);
  if (zip_close(zip) != 0) zip_discard(zip);
  return false;
}

JarStats jar_stats() { return state.stats; }

void jar_patch_reset() {
  if (state.zip) zip_discard(state.zip);
  state = JarState{};
}
