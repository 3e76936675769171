#include "payload_order.h"

#include <tuple>

namespace payload_build {

namespace {

bool has_prefix(std::string_view s, std::string_view p) {
  return s.substr(0, p.size()) == p;
}

bool has_suffix(std::string_view s, std::string_view p) {
  return s.size() >= p.size() && s.substr(s.size() - p.size()) == p;
}

std::string_view first_component(std::string_view path) {
  return path.substr(0, path.find('/'));
}

bool is_version_folder_path(std::string_view path) {
  return !path.empty() && path[0] >= '0' && path[0] <= '9' &&
         path.find('/') != std::string_view::npos;
}

// Inside a version folder: the LINUX64 text files, then the classes of
// arduino-core.jar, then those of pde.jar, then everything else.
int version_subgroup(std::string_view rest) {
  if (has_prefix(rest, "LINUX64/arduino-core.jar/")) return 1;
  if (has_prefix(rest, "LINUX64/pde.jar/")) return 2;
  if (has_prefix(rest, "LINUX64/")) return 0;
  return 3;
}

}  // namespace

int payload_group(std::string_view path) {
  const bool top_level = path.find('/') == std::string_view::npos;
  if (top_level) {
    if (path == "kestrokit.txt") return 12;
    if (has_suffix(path, ".png")) return 10;
    if (has_suffix(path, ".rules")) return 2;
    if (path.find('.') == std::string_view::npos) return 0;
    return 4;
  }
  if (is_version_folder_path(path)) {
    std::string_view rest = path.substr(path.find('/') + 1);
    return rest == "boards.txt" || rest == "platform.txt" ? 11 : 5;
  }
  std::string_view top = first_component(path);
  if (top == "otherlibs") return 1;
  if (top == "examples") return 6;
  if (top == "cores") return 7;
  if (top == "libraries") return 8;
  if (top == "armlib") return 9;
  return 3;
}

bool payload_order_less(const SourceEntry& a, const SourceEntry& b) {
  auto key = [](const SourceEntry& e) {
    int group = payload_group(e.path);
    std::string_view folder;
    int sub = 0;
    if (group == 5 || group == 11) {
      folder = first_component(e.path);
      if (group == 5) sub = version_subgroup(std::string_view(e.path).substr(folder.size() + 1));
    }
    return std::make_tuple(group, folder, sub, e.is_link, std::string_view(e.path));
  };
  return key(a) < key(b);
}

}  // namespace payload_build
