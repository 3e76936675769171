#include "payload_criteria.h"

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>

#include "cksum.h"
#include "zipcksum_line.h"

namespace payload_build {

namespace {

constexpr std::string_view CLASS_FOLDER = "/LINUX64/";
constexpr std::string_view CRITERIA = "/LINUX64/directory_criteria.txt";

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct CheckedMember {
  std::string jar_name;  // last component of the jar path
  std::string member;
  std::string line;      // kept for the parse, which points into it
};

std::vector<CheckedMember> checked_members(const std::string& criteria_text) {
  std::vector<CheckedMember> out;
  std::istringstream lines(criteria_text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("zipcksum:", 0) != 0) continue;
    ZipcksumLine parsed;
    std::string field = line.substr(9);
    if (!zipcksum_parse(field.c_str(), parsed)) continue;
    std::string jar = field.substr(0, parsed.jar_length);
    CheckedMember m;
    m.jar_name = jar.substr(jar.rfind('/') + 1);
    m.member = parsed.member;
    m.line = field;
    out.push_back(std::move(m));
  }
  return out;
}

}  // namespace

std::vector<std::string> payload_check_replaced_classes(const std::vector<SourceEntry>& ordered) {
  std::vector<std::string> out;
  std::map<std::string, std::vector<CheckedMember>> by_version;
  std::map<std::string, std::string> criteria_name;
  for (const SourceEntry& e : ordered) {
    size_t at = e.path.find(CRITERIA);
    if (at != std::string::npos && at + CRITERIA.size() == e.path.size() && !e.is_link) {
      by_version[e.path.substr(0, at)] = checked_members(read_all(e.source));
      criteria_name[e.path.substr(0, at)] = e.path;
    }
  }
  for (const SourceEntry& e : ordered) {
    size_t slash = e.path.find('/');
    if (e.is_link || slash == std::string::npos || e.path.compare(slash, CLASS_FOLDER.size(), CLASS_FOLDER) != 0)
      continue;
    const std::string version = e.path.substr(0, slash);
    const std::string rest = e.path.substr(slash + CLASS_FOLDER.size());  // "<jar>/<member>"
    size_t jar_end = rest.find(".jar/");
    if (jar_end == std::string::npos) continue;
    const std::string jar_name = rest.substr(0, jar_end + 4);
    const std::string member = rest.substr(jar_end + 5);
    auto v = by_version.find(version);
    if (v == by_version.end()) continue;
    for (const CheckedMember& m : v->second) {
      if (m.jar_name != jar_name || m.member != member) continue;
      const std::string bytes = read_all(e.source);
      const std::uint32_t sum = cksum_finish(cksum_update(0, bytes.data(), bytes.size()), bytes.size());
      ZipcksumLine parsed;
      zipcksum_parse(m.line.c_str(), parsed);
      if (!zipcksum_has_pair(parsed, sum, static_cast<std::uint32_t>(bytes.size())))
        out.push_back(e.path + ": the class as installed (" + std::to_string(sum) + " " +
                      std::to_string(bytes.size()) + ") is not a pair of its line in " + criteria_name[version] +
                      ", so a reinstall would not validate");
    }
  }
  return out;
}

}  // namespace payload_build
