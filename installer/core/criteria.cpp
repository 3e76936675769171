#include "criteria.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "cksum.h"
#include "error_report.h"
#include "zipcksum_line.h"

namespace {

constexpr const char* INTERNAL_ERROR = " INTERNAL ERROR, This is never supposed to happen! :(\n";
constexpr const char* SERIES_17_NOTE =
    "\n    Arduino 1.7 releases of the other Arduino distribution are not supported.\n";

struct ZipCloser {
  void operator()(zip_t* z) const { zip_close(z); }
};
struct ZipFileCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};
struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

// libzip turns each member's DOS time into local time with mktime, and while
// TZ is unset glibc stats /etc/localtime on every call: thousands of system
// calls per jar. Naming the same zone explicitly lets glibc read it once.
void prepare_clock() {
  static const bool done = [] {
    setenv("TZ", ":/etc/localtime", 0);
    tzset();
    return true;
  }();
  (void)done;
}

// A field as the log shows it.
std::string shown(const char* field, std::size_t length, std::size_t cut) {
  return std::string(field, length < cut ? length : cut);
}

bool check_dir(const char* path) {
  std::unique_ptr<DIR, DirCloser> d(opendir(path));
  log_printf(d ? " present\n" : " missing\n");
  return d != nullptr;
}

bool check_file(const char* path) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd >= 0) close(fd);
  log_printf(fd >= 0 ? " present\n" : " missing\n");
  return fd >= 0;
}

bool check_zipfile(const char* path) {
  int err = 0;
  ZipPtr z(zip_open(path, ZIP_CHECKCONS | ZIP_RDONLY, &err));
  log_printf(z ? " present\n" : " missing or corrupt\n");
  return z != nullptr;
}

bool check_version(const char* path, const ReleaseNumber& want) {
  std::unique_ptr<FILE, FileCloser> f(std::fopen(path, "r"));
  if (!f) {
    log_printf(" file missing\n");
    return false;
  }
  ReleaseNumber have;
  if (std::fscanf(f.get(), "%d.%d.%d", &have.major, &have.minor, &have.patch) != 3) {
    std::rewind(f.get());
    char line[VERSION_LINE_MAX + 1];
    if (!std::fgets(line, sizeof line, f.get())) {
      log_printf(" incorrect version format\n");
      return false;
    }
    if (std::strncmp(line, "nightly", 7) == 0) {
      log_printf(" Nightly builds are not supported\n");
      return false;
    }
    have = ReleaseNumber{};
    if (std::sscanf(line, "PR-beta%d.%d-BUILD-%d", &have.major, &have.minor, &have.beta) != 3) {
      log_printf(" incorrect version format\n");
      return false;
    }
  }
  if (have.major == want.major && have.minor == want.minor && have.patch == want.patch &&
      have.beta == want.beta) {
    log_printf(" version matches\n");
    return true;
  }
  log_printf(" wrong version: %d.%d.%d", have.major, have.minor, have.patch);
  if (have.major == 1 && have.minor == 7) log_printf("%s", SERIES_17_NOTE);
  return false;
}

// The jar that the previous line of the same criteria file opened: the lines
// of one jar follow each other, and its consistency check reads every local
// header, so it is opened once per run of lines rather than once per line.
struct OpenJar {
  std::string path;
  ZipPtr zip;
};

zip_t* open_jar(const char* path, OpenJar& cache) {
  if (cache.zip && cache.path == path) return cache.zip.get();
  cache.zip.reset();
  int err = 0;
  cache.zip.reset(zip_open(path, ZIP_CHECKCONS | ZIP_RDONLY, &err));
  cache.path = cache.zip ? path : "";
  return cache.zip.get();
}

bool check_zipcksum(char* path, std::size_t folder_length, const char* field, OpenJar& cache) {
  ZipcksumLine line;
  const bool well_formed = zipcksum_parse(field, line);
  const std::size_t jar_length = line.jar_length;
  log_printf("    java: \"%s\" ", shown(field, jar_length, CRITERIA_JAR_SHOWN).c_str());
  if (!well_formed) {
    log_printf("%s", INTERNAL_ERROR);
    return false;
  }
  const char* member = line.member;
  if (folder_length + jar_length < CRITERIA_PATH_SIZE) path[folder_length + jar_length] = '\0';

  zip_t* jar = open_jar(path, cache);
  if (!jar) {
    log_printf("missing\n");
    return false;
  }
  log_printf("object: \"%s\" ", member);
  zip_int64_t index = zip_name_locate(jar, member, 0);
  if (index < 0) {
    log_printf("missing\n");
    return false;
  }
  zip_stat_t st;
  zip_stat_init(&st);
  const bool stat_ok = zip_stat_index(jar, static_cast<zip_uint64_t>(index), 0, &st) == 0;
  const std::uint32_t size = static_cast<std::uint32_t>(st.size);
  if (!stat_ok || !zipcksum_has_size(line, size)) {
    log_printf("wrong size, unsupported Arduino version\n");
    return false;
  }
  std::unique_ptr<zip_file_t, ZipFileCloser> in(zip_fopen_index(jar, static_cast<zip_uint64_t>(index), 0));
  if (!in) {
    log_printf("unable to read\n");
    return false;
  }
  std::uint32_t sum = 0;
  std::uint64_t done = 0;
  while (done < size) {
    std::uint64_t want = size - done < CRITERIA_PATH_SIZE ? size - done : CRITERIA_PATH_SIZE;
    zip_int64_t got = zip_fread(in.get(), path, want);
    if (got < 0) return false;
    if (got == 0) break;
    sum = cksum_update(sum, path, static_cast<std::size_t>(got));
    done += static_cast<std::uint64_t>(got);
  }
  sum = cksum_finish(sum, size);
  if (zipcksum_has_pair(line, sum, size)) {
    log_printf("checksum match\n");
    return true;
  }
  log_printf("checksum mismatch, unsupported Arduino version\n");
  return false;
}

enum class Key { Dir, File, Version, Zipfile, Zipcksum, None };

Key key_of(const char* line, std::size_t& key_length) {
  static const struct {
    const char* text;
    Key key;
  } keys[] = {{"dir:", Key::Dir},
              {"file:", Key::File},
              {"version:", Key::Version},
              {"zipfile:", Key::Zipfile},
              {"zipcksum:", Key::Zipcksum}};
  for (const auto& k : keys) {
    key_length = std::strlen(k.text);
    if (std::strncmp(line, k.text, key_length) == 0) return k.key;
  }
  return Key::None;
}

bool check_line(const char* folder, const std::string& line, const ReleaseNumber& release, OpenJar& cache) {
  std::size_t key_length = 0;
  Key key = key_of(line.c_str(), key_length);
  if (key == Key::None) return true;
  const char* field = line.c_str() + key_length;
  const std::size_t field_length = line.size() - key_length;

  char path[CRITERIA_PATH_SIZE];
  std::size_t folder_length = std::strlen(folder);
  if (folder_length > CRITERIA_FOLDER_MAX) folder_length = CRITERIA_FOLDER_MAX;
  std::memcpy(path, folder, folder_length);
  std::snprintf(path + folder_length, sizeof path - folder_length, "%s", field);

  const std::string field_shown = shown(field, field_length, CRITERIA_FIELD_SHOWN);
  switch (key) {
    case Key::Dir:
      log_printf("    dir: \"%s\" ", field_shown.c_str());
      return check_dir(path);
    case Key::File:
      log_printf("    file: \"%s\" ", field_shown.c_str());
      return check_file(path);
    case Key::Version:
      log_printf("    version: \"%s\" ", field_shown.c_str());
      return check_version(path, release);
    case Key::Zipfile:
      log_printf("    zip file: \"%s\" ", field_shown.c_str());
      return check_zipfile(path);
    case Key::Zipcksum:
      return check_zipcksum(path, folder_length, field, cache);
    case Key::None:
      break;
  }
  return true;
}

}  // namespace

bool release_from_name(const char* name, ReleaseNumber& release) {
  release = ReleaseNumber{};
  if (std::sscanf(name, "%d.%d.%d-beta%d", &release.major, &release.minor, &release.patch, &release.beta) == 4)
    return true;
  release.beta = 0;
  return std::sscanf(name, "%d.%d.%d", &release.major, &release.minor, &release.patch) == 3;
}

bool criteria_check(const char* folder, const char* text, std::size_t size, const ReleaseNumber& release) {
  prepare_clock();
  OpenJar cache;
  std::size_t start = 0;
  while (start < size) {
    const void* nl = std::memchr(text + start, '\n', size - start);
    std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text) : size;
    if (!check_line(folder, std::string(text + start, end - start), release, cache)) return false;
    start = end + 1;
  }
  return true;
}
