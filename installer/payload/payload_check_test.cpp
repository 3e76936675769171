#include "payload_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace payload_build {
namespace {

SourceEntry file(const std::string& path, unsigned long long size = 1) {
  SourceEntry e;
  e.path = path;
  e.size = size;
  return e;
}

SourceEntry link(const std::string& path, const std::string& target) {
  SourceEntry e = file(path, 0);
  e.is_link = true;
  e.target = target;
  return e;
}

std::vector<SourceEntry> sound_tree() {
  return {file("kestro"),
          file("arm/bin/as"),
          link("arm/bin/gas", "arm/bin/as"),
          file("1.8.19/LINUX64/directory_criteria.txt"),
          file("1.8.19/LINUX64/locations.txt"),
          file("kestrokit.txt", 4)};
}

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& x : v) s += x + "\n";
  return s;
}

TEST(PayloadCheckTest, SoundTreePasses) { EXPECT_EQ(joined(payload_check(sound_tree())), ""); }

TEST(PayloadCheckTest, EachBrokenRuleNamesTheEntryAndTheRule) {
  struct Case {
    const char* what;
    void (*edit)(std::vector<SourceEntry>&);
    const char* message;
  } cases[] = {
      {"size over 32 bits", [](auto& t) { t[1].size = 0x100000000ull; },
       "arm/bin/as: size 4294967296 does not fit in 32 bits"},
      {"32-bit size fits", [](auto& t) { t[1].size = 0xFFFFFFFFull; }, nullptr},
      {"dot component", [](auto& t) { t[1].path = "arm/./as"; },
       "arm/./as: name must be a relative path without empty, \".\" or \"..\" components"},
      {"absolute name", [](auto& t) { t[0].path = "/kestro"; },
       "/kestro: name must be a relative path"},
      {"arrow in a name", [](auto& t) { t[0].path = "a --> b"; },
       "a --> b: name contains \" --> \", which marks link entries"},
      {"control character", [](auto& t) { t[0].path = "bad\nname"; }, "name contains a control character"},
      {"duplicate", [](auto& t) { t[0].path = "arm/bin/as"; }, "arm/bin/as: name is not unique"},
      {"link before target", [](auto& t) { std::swap(t[1], t[2]); },
       "arm/bin/gas --> arm/bin/as: link comes before its target (entry 2)"},
      {"dangling link", [](auto& t) { t[2].target = "arm/bin/ld"; },
       "arm/bin/gas --> arm/bin/ld: link target is not an entry of the payload"},
      {"last entry a link", [](auto& t) { t.back() = link("kestrokit.txt", "kestro"); },
       "kestrokit.txt --> kestro: the last entry must be the plain file kestrokit.txt"},
      {"last entry missing", [](auto& t) { t.pop_back(); },
       "1.8.19/LINUX64/locations.txt: the last entry must be the plain file kestrokit.txt"},
      {"criteria missing", [](auto& t) { t.erase(t.begin() + 3); },
       "1.8.19/LINUX64/directory_criteria.txt: missing; every version folder needs it"},
      {"locations missing", [](auto& t) { t.erase(t.begin() + 4); },
       "1.8.19/LINUX64/locations.txt: missing; every version folder needs it"},
      {"version prefix", [](auto& t) {
         t.insert(t.begin() + 3, {file("1.8.1/LINUX64/directory_criteria.txt"), file("1.8.1/LINUX64/locations.txt")});
       },
       "1.8.1/: version folder name is a prefix of 1.8.19/"},
      {"version not three numbers", [](auto& t) {
         t[3].path = "1.8/LINUX64/directory_criteria.txt";
         t[4].path = "1.8/LINUX64/locations.txt";
       },
       "1.8/: a top-level folder that begins with a digit must be a version folder"},
      {"digit folder installed", [](auto& t) { t.insert(t.begin() + 1, file("7zip/bin/7z")); },
       "7zip/: a top-level folder that begins with a digit must be a version folder"},
      {"beta version folder", [](auto& t) {
         t[3].path = "1.9.0-beta115/LINUX64/directory_criteria.txt";
         t[4].path = "1.9.0-beta115/LINUX64/locations.txt";
       },
       nullptr},
      {"criteria outside a version folder", [](auto& t) { t.insert(t.begin() + 1, file("x/LINUX64/directory_criteria.txt")); },
       "x/LINUX64/directory_criteria.txt: a criteria file outside a version folder"},
  };
  for (const Case& c : cases) {
    std::vector<SourceEntry> tree = sound_tree();
    c.edit(tree);
    std::string got = joined(payload_check(tree));
    if (!c.message)
      EXPECT_EQ(got, "") << c.what;
    else
      EXPECT_NE(got.find(c.message), std::string::npos) << c.what << ":\n" << got;
  }
}

}  // namespace
}  // namespace payload_build
