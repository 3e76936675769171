// kestro_payload_build: turns a staging tree into the installer's payload.
//
//   kestro_payload_build --staging=DIR --out=DIR [--add=NAME=FILE ...]
//
// Every file of the staging tree becomes an entry named by its path inside
// the tree; every symbolic link becomes a link entry. --add puts a file that
// the build made (one of the tools) at the top level under NAME.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "payload_check.h"
#include "payload_criteria.h"
#include "payload_emit.h"
#include "payload_order.h"
#include "payload_tree.h"

using namespace payload_build;

namespace {

int usage() {
  std::fputs("usage: kestro_payload_build --staging=DIR --out=DIR [--add=NAME=FILE ...]\n", stderr);
  return 2;
}

int fail(const std::vector<std::string>& errors) {
  for (const std::string& e : errors) std::fprintf(stderr, "kestro_payload_build: %s\n", e.c_str());
  std::fprintf(stderr, "kestro_payload_build: %zu problem(s); no payload written\n", errors.size());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string staging, out;
  std::vector<std::pair<std::string, std::string>> added;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a.rfind("--staging=", 0) == 0) {
      staging = a.substr(10);
    } else if (a.rfind("--out=", 0) == 0) {
      out = a.substr(6);
    } else if (a.rfind("--add=", 0) == 0) {
      std::string program = a.substr(6);
      size_t eq = program.find('=');
      if (eq == std::string::npos || eq == 0) return usage();
      added.emplace_back(program.substr(0, eq), program.substr(eq + 1));
    } else {
      return usage();
    }
  }
  if (staging.empty() || out.empty()) return usage();

  std::vector<SourceEntry> entries;
  std::vector<std::string> errors;
  tree_scan(staging, entries, errors);
  for (const auto& [name, file] : added) {
    if (name.find('/') != std::string::npos)
      errors.push_back(name + ": an added program must sit at the top level");
    tree_add_file(name, file, entries, errors);
  }
  if (!errors.empty()) return fail(errors);

  std::sort(entries.begin(), entries.end(), payload_order_less);
  errors = payload_check(entries);
  for (std::string& e : payload_check_replaced_classes(entries)) errors.push_back(std::move(e));
  if (!errors.empty()) return fail(errors);

  std::string error;
  if (!payload_emit(entries, out, error)) return fail({error});
  return 0;
}
