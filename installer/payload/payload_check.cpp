#include "payload_check.h"

#include <map>
#include <set>
#include <string_view>

namespace payload_build {

namespace {

constexpr std::string_view CRITERIA = "/LINUX64/directory_criteria.txt";
constexpr std::string_view LOCATIONS = "/LINUX64/locations.txt";
constexpr std::string_view LAST_ENTRY = "kestrokit.txt";

bool all_digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// "1.8.19", or a beta such as "1.9.0-beta115".
bool is_version_name(std::string_view v) {
  size_t beta = v.find("-beta");
  if (beta != std::string_view::npos) {
    if (!all_digits(v.substr(beta + 5))) return false;
    v = v.substr(0, beta);
  }
  size_t d1 = v.find('.');
  if (d1 == std::string_view::npos) return false;
  size_t d2 = v.find('.', d1 + 1);
  if (d2 == std::string_view::npos) return false;
  return all_digits(v.substr(0, d1)) && all_digits(v.substr(d1 + 1, d2 - d1 - 1)) &&
         all_digits(v.substr(d2 + 1));
}

std::string name_problem(std::string_view path) {
  if (path.empty()) return "name is empty";
  if (path.find(" --> ") != std::string_view::npos)
    return "name contains \" --> \", which marks link entries";
  for (unsigned char c : path)
    if (c < 0x20 || c == 0x7f) return "name contains a control character";
  size_t start = 0;
  while (true) {
    size_t slash = path.find('/', start);
    std::string_view part = path.substr(start, slash == std::string_view::npos ? path.npos : slash - start);
    if (part.empty() || part == "." || part == "..")
      return "name must be a relative path without empty, \".\" or \"..\" components";
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return {};
}

void check_names_and_sizes(const std::vector<SourceEntry>& ordered, std::vector<std::string>& out) {
  std::set<std::string_view> seen;
  for (const SourceEntry& e : ordered) {
    if (e.size > 0xFFFFFFFFull)
      out.push_back(e.path + ": size " + std::to_string(e.size) + " does not fit in 32 bits");
    if (std::string why = name_problem(e.path); !why.empty()) out.push_back(e.path + ": " + why);
    if (!seen.insert(e.path).second) out.push_back(e.path + ": name is not unique");
  }
}

void check_links(const std::vector<SourceEntry>& ordered, std::vector<std::string>& out) {
  std::map<std::string_view, size_t> index;
  for (size_t i = 0; i < ordered.size(); ++i) index.emplace(ordered[i].path, i);
  for (size_t i = 0; i < ordered.size(); ++i) {
    const SourceEntry& e = ordered[i];
    if (!e.is_link) continue;
    auto t = index.find(e.target);
    if (t == index.end())
      out.push_back(e.name() + ": link target is not an entry of the payload");
    else if (ordered[t->second].is_link)
      out.push_back(e.name() + ": link target is itself a link");
    else if (t->second > i)
      out.push_back(e.name() + ": link comes before its target (entry " +
                    std::to_string(t->second) + ")");
  }
}

void check_last(const std::vector<SourceEntry>& ordered, std::vector<std::string>& out) {
  if (ordered.empty()) {
    out.push_back(std::string(LAST_ENTRY) + ": missing; the payload must end with this plain file");
    return;
  }
  const SourceEntry& last = ordered.back();
  if (last.path != LAST_ENTRY || last.is_link)
    out.push_back(last.name() + ": the last entry must be the plain file " + std::string(LAST_ENTRY) +
                  " (it commits the last jar)");
}

void check_version_folders(const std::vector<SourceEntry>& ordered, std::vector<std::string>& out) {
  std::map<std::string, std::set<std::string>> folders;  // folder -> plain LINUX64 files
  for (const SourceEntry& e : ordered) {
    std::string_view p = e.path;
    size_t slash = p.find('/');
    size_t crit = p.find(CRITERIA);
    const bool in_version_folder = slash != std::string_view::npos && p[0] >= '0' && p[0] <= '9';
    if (crit != std::string_view::npos &&
        (!in_version_folder || crit != slash || p.size() != crit + CRITERIA.size()))
      out.push_back(e.path + ": a criteria file outside a version folder would name a supported version");
    if (!in_version_folder) continue;
    std::string folder(p.substr(0, slash));
    auto& files = folders[folder];
    if (!e.is_link) files.insert(std::string(p.substr(slash)));
  }
  for (const auto& [folder, files] : folders) {
    if (!is_version_name(folder)) {
      out.push_back(folder + "/: a top-level folder that begins with a digit must be a version folder "
                             "named as three numbers separated by dots");
      continue;
    }
    for (std::string_view need : {CRITERIA, LOCATIONS})
      if (!files.count(std::string(need)))
        out.push_back(folder + std::string(need) + ": missing; every version folder needs it as a plain file");
    for (const auto& other : folders)
      if (other.first != folder && other.first.compare(0, folder.size(), folder) == 0)
        out.push_back(folder + "/: version folder name is a prefix of " + other.first + "/");
  }
}

}  // namespace

std::vector<std::string> payload_check(const std::vector<SourceEntry>& ordered) {
  std::vector<std::string> out;
  check_names_and_sizes(ordered, out);
  check_links(ordered, out);
  check_last(ordered, out);
  check_version_folders(ordered, out);
  return out;
}

}  // namespace payload_build
