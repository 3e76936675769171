#include "validation.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "criteria.h"
#include "downgrade.h"
#include "error_report.h"
#include "payload.h"

namespace {

constexpr const char* CRITERIA_SUFFIX = "/LINUX64/directory_criteria.txt";

struct ValidationState {
  std::string supported;
};

ValidationState state;

// The version name in front of the criteria suffix, or an empty string.
std::string version_of_entry(const char* name) {
  const char* at = std::strstr(name, CRITERIA_SUFFIX);
  if (!at) return {};
  return std::string(name, static_cast<std::size_t>(at - name));
}

bool version_less(const std::string& a, const std::string& b) {
  int x[3], y[3];
  if (std::sscanf(a.c_str(), "%d.%d.%d", &x[0], &x[1], &x[2]) == 3 &&
      std::sscanf(b.c_str(), "%d.%d.%d", &y[0], &y[1], &y[2]) == 3) {
    for (int i = 0; i < 3; ++i)
      if (x[i] != y[i]) return x[i] < y[i];
  }
  return a < b;
}

}  // namespace

const char* supported_versions() {
  if (!state.supported.empty()) return state.supported.c_str();
  std::vector<std::string> names;
  for (int i = 0; i < PAYLOAD_COUNT && static_cast<int>(names.size()) < SUPPORTED_VERSIONS_MAX; ++i) {
    std::string v = version_of_entry(payload_names[i]);
    if (!v.empty()) names.push_back(std::move(v));
  }
  for (std::size_t pass = 0; pass + 1 < names.size(); ++pass)
    for (std::size_t j = 0; j + 1 < names.size() - pass; ++j)
      if (version_less(names[j + 1], names[j])) std::swap(names[j], names[j + 1]);
  for (const std::string& v : names) {
    std::size_t grown = state.supported.size() + (state.supported.empty() ? 0 : 2) + v.size();
    if (grown > SUPPORTED_LIST_MAX) break;
    if (!state.supported.empty()) state.supported += ", ";
    state.supported += v;
  }
  return state.supported.c_str();
}

int validate_folder(const char* folder) {
  log_clear();
  log_printf("Directory: %s\n", folder);
  for (int i = 0; i < PAYLOAD_COUNT; ++i) {
    if (!std::strstr(payload_names[i], CRITERIA_SUFFIX)) continue;
    std::string version = version_of_entry(payload_names[i]).substr(0, MATCHED_VERSION_SIZE - 1);
    log_printf("  Checking Arduino %s:\n", version.c_str());
    ReleaseNumber release;
    bool pass = release_from_name(version.c_str(), release) &&
                criteria_check(folder, reinterpret_cast<const char*>(payload_data[i]), payload_sizes[i], release);
    if (!pass) {
      log_printf("    Does not match Arduino %s\n", version.c_str());
      continue;
    }
    log_printf("    Found Arduino %s\n", version.c_str());
    if (!downgrade_guard(folder)) continue;
    set_matched_version(version.c_str(), version.size());
    int major = 0, minor = 0, patch = 0;
    std::sscanf(version.c_str(), "%d.%d.%d", &major, &minor, &patch);
    return major * 10000 + minor * 100 + patch;
  }
  set_matched_version("", 0);
  return 0;
}

void validation_reset() { state = ValidationState{}; }
