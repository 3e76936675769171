#include "entry_router.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "entry.h"
#include "error_report.h"
#include "file_writer.h"
#include "jar_patch.h"
#include "library_select.h"
#include "locations.h"
#include "payload.h"

namespace {

struct RouterState {
  int deleted;
};

RouterState state;

constexpr const char* TOOL_EXECUTABLES[] = {
    "kestro_reboot", "kestro_size",      "kestro_restart", "kestro_post_compile", "kestro_gateway", "kestro_ports",
    "kestro_serialmon", "kestro_secure", "mktinyfat",      "stdout_redirect",     "precompile_helper", "kestro"};

constexpr const char* COMPILER_EXECUTABLES[] = {
    "cc1", "cc1plus", "collect2", "lto1", "lto-wrapper", "fixincl", "fixinc.sh", "mkheaders", "mkinstalldirs",
    "gengtype", "plugin/gengtype", "liblto_plugin.so", "liblto_plugin.so.0.0.0", "install-tools/mkinstalldirs",
    "install-tools/fixinc.sh", "install-tools/fixincl", "install-tools/mkheaders"};

constexpr const char* OBSOLETE_MARK = "// this file no longer used";
constexpr unsigned OBSOLETE_MARKER_SIZE = 28;

// A location value, copied out of the lookup's shared buffer. Empty when the
// release defines no such key, which the caller reports.
std::string location(const char* key) {
  const char* v = location_lookup(key);
  return v ? std::string(v) : std::string();
}

int missing_location(const char* key) {
  return report_error("No install location %s is defined for Arduino %s.", key, matched_version());
}

int write_to(const char* folder, const char* key, const char* relative, int entry, bool executable) {
  std::string dir = location(key);
  if (dir.empty()) return missing_location(key);
  return write_entry_file(folder, dir.c_str(), relative, entry, executable);
}

bool is_tool_executable(const char* name) {
  for (const char* t : TOOL_EXECUTABLES)
    if (std::strcmp(name, t) == 0) return true;
  return false;
}

bool is_compiler_executable(const char* path) {
  for (const char* prefix : {"arm/bin/", "arm/arm-none-eabi/bin/", "avrkestro/bin/", "avrkestro/avr/bin/"})
    if (starts_with(path, prefix)) return true;
  if (!starts_with(path, "arm/lib/gcc/arm-none-eabi/") && !starts_with(path, "avrkestro/libexec/gcc/avr/4.8.1/"))
    return false;
  for (const char* suffix : COMPILER_EXECUTABLES)
    if (ends_with(path, suffix)) return true;
  return false;
}

int route_compiler_tree(const char* folder, int index) {
  const char* name = payload_names[index];
  const char* arrow = std::strstr(name, " --> ");
  int source = index;
  std::string path = name;
  if (arrow) {
    const std::size_t length = static_cast<std::size_t>(arrow - name);
    if (length > LINK_PATH_MAX) return -1;
    path.assign(name, length);
    const char* target = arrow + 5;
    source = -1;
    for (int i = 0; i < index && source < 0; ++i)
      if (std::strcmp(payload_names[i], target) == 0) source = i;
    if (source < 0) return report_error("internal file reference error!!");
  }
  return write_to(folder, "TOOL_SUBDIR", path.c_str(), source, is_compiler_executable(path.c_str()));
}

int route_jar_class(const char* folder, int index, const char* rest) {
  if (ends_with(rest, ".class")) {
    const char* key = nullptr;
    const char* member = nullptr;
    if ((member = starts_with(rest, "pde.jar/")))
      key = "ARDUINO_JAR_FILE1";
    else if ((member = starts_with(rest, "arduino-core.jar/")))
      key = "ARDUINO_JAR_FILE2";
    if (!key) return 0;
    set_antivirus_hint(1);
    std::string jar = location(key);
    if (jar.empty()) return missing_location(key);
    return jar_stage_class(folder, member, index, jar.c_str());
  }
  if (ends_with(rest, "/Info.plist") || ends_with(rest, "/JavaApplicationStub") || ends_with(rest, "/CodeResources"))
    set_antivirus_hint(1);
  return 0;
}

bool is_obsolete_marker(int index) {
  return payload_sizes[index] == OBSOLETE_MARKER_SIZE &&
         std::memcmp(payload_data[index], OBSOLETE_MARK, OBSOLETE_MARKER_SIZE - 1) == 0;
}

int route_cores(const char* folder, int index, const char* rest) {
  const bool old_network_header = std::strcmp(rest, "kestro/Udp.h") == 0 ||
                                  std::strcmp(rest, "kestro/Server.h") == 0 ||
                                  std::strcmp(rest, "kestro/Client.h") == 0;
  const bool old_release = starts_with("0022/", matched_version()) || starts_with("0023/", matched_version());
  if ((old_network_header && old_release) || is_obsolete_marker(index)) {
    std::string cores = location("CORES_SUBDIR");
    if (cores.empty()) return missing_location("CORES_SUBDIR");
    char path[TARGET_FOLDER_SIZE];
    std::snprintf(path, sizeof path, "%s%s%s", folder, cores.c_str(), rest);
    if (FILE* f = std::fopen(path, "r")) {
      std::fclose(f);
      if (unlink(path) != 0) return report_error("Unable to delete \"%s%s\".", cores.c_str(), rest);
      ++state.deleted;
    }
    return 0;
  }
  if (std::strcmp(rest, "keywords.txt") == 0) return write_to(folder, "BOARDS_SUBDIR", "keywords.txt", index, false);
  if (!std::strchr(rest, '/')) return -1;
  return write_to(folder, "CORES_SUBDIR", rest, index, false);
}

int route_library(const char* folder, int index, const char* rest) {
  const char* slash = std::strchr(rest, '/');
  if (!slash) return 0;
  const std::size_t length = static_cast<std::size_t>(slash - rest);
  if (length > LIBRARY_NAME_MAX) return 0;
  const std::string library(rest, length);
  if (!library_selected(library.c_str())) return 0;
  return write_to(folder, "LIBRARY_SUBDIR", rest, index, false);
}

}  // namespace

int route_entry(const char* folder, int index) {
  set_antivirus_hint(0);
  if (index < 0 || index >= PAYLOAD_COUNT) return -1;
  const char* name = payload_names[index];
  if (std::isdigit(static_cast<unsigned char>(name[0])) && !in_matched_version(name)) return 0;
  if (ends_with(name, ".inf")) return 0;

  const std::string version_dir = std::string(matched_version()) + "/";
  const char* in_version = starts_with(name, version_dir.c_str());  // rest after "V/", or nullptr
  const char* rest = nullptr;

  if (in_version && std::strcmp(in_version, "boards.txt") == 0)
    return write_to(folder, "BOARDS_SUBDIR", "boards.txt", index, false);
  if (in_version && std::strcmp(in_version, "platform.txt") == 0)
    return write_to(folder, "BOARDS_SUBDIR", "platform.txt", index, false);
  if (is_tool_executable(name)) {
    set_antivirus_hint(1);
    return write_to(folder, "TOOL_SUBDIR", name, index, true);
  }
  if (std::strcmp(name, "KestroSecurity.jar") == 0)
    return write_to(folder, "PLUGIN_SUBDIR", "KestroSecurity/tool/KestroSecurity.jar", index, false);
  if ((rest = starts_with(name, "otherlibs/LINUX64/"))) return write_to(folder, "TOOL_SUBDIR", rest, index, false);
  if (std::strcmp(name, "kestrokit.txt") == 0) return write_to(folder, "VERSION_SUBDIR", name, index, false);
  if (starts_with(name, "arm-none-eabi/") || starts_with(name, "arm/") || starts_with(name, "avrkestro/"))
    return route_compiler_tree(folder, index);
  if (in_version && ends_with(name, ".java")) return write_entry_file(folder, "src/", in_version, index, false);
  if (in_version && std::strcmp(in_version, "keywords.txt") == 0)
    return write_to(folder, "KEYWORDS_SUBDIR", "keywords.txt", index, false);
  if (in_version && std::strcmp(in_version, "keywords_kestro.txt") == 0)
    return write_to(folder, "KEYWORDS_SUBDIR", "keywords_kestro.txt", index, false);
  if (in_version && std::strcmp(in_version, "theme.txt") == 0)
    return write_to(folder, "VERSION_SUBDIR", "theme/theme.txt", index, false);
  if (in_version && (rest = starts_with(in_version, "LINUX64/"))) return route_jar_class(folder, index, rest);
  if ((rest = starts_with(name, "cores/"))) return route_cores(folder, index, rest);
  if (in_version && (rest = starts_with(in_version, "libraries/")))
    return write_to(folder, "LIBRARY_SUBDIR", rest, index, false);
  if ((rest = starts_with(name, "examples/"))) return write_to(folder, "EXAMPLES_SUBDIR", rest, index, false);
  if ((rest = starts_with(name, "armlib/"))) return write_to(folder, "ARMLIB_SUBDIR", rest, index, false);
  if (in_version && (rest = starts_with(in_version, "examples/")))
    return write_to(folder, "EXAMPLES_SUBDIR", rest, index, false);
  if ((rest = starts_with(name, "libraries/"))) return route_library(folder, index, rest);
  return 0;
}

int router_deleted_files() { return state.deleted; }

void entry_router_reset() { state = RouterState{}; }
