#include "payload_tree.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace payload_build {

namespace fs = std::filesystem;

namespace {

constexpr int MAX_LINK_HOPS = 40;

bool stat_file(const std::string& file, SourceEntry& e, std::string& why) {
  struct stat st {};
  if (stat(file.c_str(), &st) != 0) {
    why = "cannot be read";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    why = "is not a regular file";
    return false;
  }
  e.source = fs::absolute(file).lexically_normal().string();
  e.size = static_cast<unsigned long long>(st.st_size);
  e.mtime_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  return true;
}

// Resolves a link inside the tree to the entry path of the regular file it
// finally stands for, or explains why it cannot be an entry.
bool resolve_link(const fs::path& root, fs::path rel, std::string& target, std::string& why) {
  for (int hop = 0; hop < MAX_LINK_HOPS; ++hop) {
    std::error_code ec;
    fs::path to = fs::read_symlink(root / rel, ec);
    if (ec) {
      why = "link cannot be read";
      return false;
    }
    if (to.is_absolute()) {
      why = "link target " + to.string() + " is absolute; links must stay inside the staging tree";
      return false;
    }
    fs::path next = (rel.parent_path() / to).lexically_normal();
    if (next.empty() || *next.begin() == ".." || next == ".") {
      why = "link target " + to.string() + " lies outside the staging tree";
      return false;
    }
    fs::file_status st = fs::symlink_status(root / next, ec);
    if (ec || !fs::exists(st)) {
      why = "link target " + next.string() + " does not exist";
      return false;
    }
    if (fs::is_symlink(st)) {
      rel = next;
      continue;
    }
    if (!fs::is_regular_file(st)) {
      why = "link target " + next.string() + " is not a regular file";
      return false;
    }
    target = next.string();
    return true;
  }
  why = "too many levels of links";
  return false;
}

}  // namespace

void tree_scan(const std::string& root_text, std::vector<SourceEntry>& entries,
               std::vector<std::string>& errors) {
  const fs::path root = fs::absolute(root_text).lexically_normal();
  std::error_code ec;
  if (!fs::is_directory(root, ec)) {
    errors.push_back(root_text + ": staging directory cannot be opened");
    return;
  }
  fs::recursive_directory_iterator it(root, ec), end;
  if (ec) {
    errors.push_back(root_text + ": " + ec.message());
    return;
  }
  for (; it != end; it.increment(ec)) {
    if (ec) {
      errors.push_back(root_text + ": " + ec.message());
      return;
    }
    const fs::path rel = it->path().lexically_relative(root);
    const fs::file_status st = it->symlink_status();
    SourceEntry e;
    e.path = rel.string();
    std::string why;
    if (fs::is_directory(st)) continue;
    if (fs::is_symlink(st)) {
      e.is_link = true;
      if (!resolve_link(root, rel, e.target, why)) {
        errors.push_back(e.path + ": " + why);
        continue;
      }
    } else if (!stat_file(it->path().string(), e, why)) {
      errors.push_back(e.path + ": " + why);
      continue;
    }
    entries.push_back(std::move(e));
  }
}

void tree_add_file(const std::string& name, const std::string& file,
                   std::vector<SourceEntry>& entries, std::vector<std::string>& errors) {
  SourceEntry e;
  e.path = name;
  std::string why;
  if (!stat_file(file, e, why)) {
    errors.push_back(name + ": added program " + file + " " + why);
    return;
  }
  entries.push_back(std::move(e));
}

}  // namespace payload_build
