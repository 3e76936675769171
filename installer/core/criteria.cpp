#include "criteria.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "cksum.h"
#include "error_report.h"

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

// The numbers of a "zipcksum:" line, after the jar path and its spaces.
// Returns the member name, or nullptr when the line is malformed.
const char* read_pairs(const char* p, std::uint32_t* numbers, int& count) {
  count = 0;
  while (*p >= '0' && *p <= '9') {
    if (count == CRITERIA_MAX_NUMBERS) return nullptr;
    std::uint64_t value = 0;
    while (*p >= '0' && *p <= '9') {
      value = value * 10 + static_cast<unsigned>(*p++ - '0');
      if (value > 0xFFFFFFFFu) value = 0xFFFFFFFFu;  // as strtoul saturates
    }
    numbers[count++] = static_cast<std::uint32_t>(value);
    if (*p != ' ') return nullptr;
    while (*p == ' ') ++p;
    if (*p == '\0') return nullptr;
  }
  if (count < 2 || count % 2 != 0) return nullptr;
  return p;
}

bool check_zipcksum(char* path, std::size_t folder_length, const char* field) {
  const char* space = std::strchr(field, ' ');
  const std::size_t jar_length = space ? static_cast<std::size_t>(space - field) : std::strlen(field);
  log_printf("    java: \"%s\" ", shown(field, jar_length, CRITERIA_JAR_SHOWN).c_str());
  std::uint32_t numbers[CRITERIA_MAX_NUMBERS];
  int count = 0;
  const char* member = nullptr;
  if (space) {
    const char* after = space;
    while (*after == ' ') ++after;
    member = read_pairs(after, numbers, count);
  }
  if (!member) {
    log_printf("%s", INTERNAL_ERROR);
    return false;
  }
  if (folder_length + jar_length < CRITERIA_PATH_SIZE) path[folder_length + jar_length] = '\0';

  int err = 0;
  ZipPtr jar(zip_open(path, ZIP_CHECKCONS | ZIP_RDONLY, &err));
  if (!jar) {
    log_printf("missing\n");
    return false;
  }
  log_printf("object: \"%s\" ", member);
  zip_int64_t index = zip_name_locate(jar.get(), member, 0);
  if (index < 0) {
    log_printf("missing\n");
    return false;
  }
  zip_stat_t st;
  zip_stat_init(&st);
  bool size_known = false;
  std::uint32_t size = 0;
  if (zip_stat_index(jar.get(), static_cast<zip_uint64_t>(index), 0, &st) == 0) {
    size = static_cast<std::uint32_t>(st.size);
    for (int i = 0; i < count; i += 2) size_known |= numbers[i + 1] == size;
  }
  if (!size_known) {
    log_printf("wrong size, unsupported Arduino version\n");
    return false;
  }
  std::unique_ptr<zip_file_t, ZipFileCloser> in(zip_fopen_index(jar.get(), static_cast<zip_uint64_t>(index), 0));
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
  for (int i = 0; i < count; i += 2) {
    if (numbers[i] == sum && numbers[i + 1] == size) {
      log_printf("checksum match\n");
      return true;
    }
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

bool check_line(const char* folder, const std::string& line, const ReleaseNumber& release) {
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
      return check_zipcksum(path, folder_length, field);
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
  std::size_t start = 0;
  while (start < size) {
    const void* nl = std::memchr(text + start, '\n', size - start);
    std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text) : size;
    if (!check_line(folder, std::string(text + start, end - start), release)) return false;
    start = end + 1;
  }
  return true;
}
