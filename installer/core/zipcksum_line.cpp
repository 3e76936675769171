#include "zipcksum_line.h"

#include <cstring>

bool zipcksum_parse(const char* field, ZipcksumLine& line) {
  line = ZipcksumLine{};
  const char* space = std::strchr(field, ' ');
  line.jar_length = space ? static_cast<std::size_t>(space - field) : std::strlen(field);
  if (!space) return false;
  const char* p = space;
  while (*p == ' ') ++p;
  while (*p >= '0' && *p <= '9') {
    if (line.count == ZIPCKSUM_MAX_NUMBERS) return false;
    std::uint64_t value = 0;
    while (*p >= '0' && *p <= '9') {
      value = value * 10 + static_cast<unsigned>(*p++ - '0');
      if (value > 0xFFFFFFFFu) value = 0xFFFFFFFFu;  // as strtoul saturates
    }
    line.numbers[line.count++] = static_cast<std::uint32_t>(value);
    if (*p != ' ') return false;
    while (*p == ' ') ++p;
    if (*p == '\0') return false;
  }
  if (line.count < 2 || line.count % 2 != 0) return false;
  line.member = p;
  return true;
}

bool zipcksum_has_pair(const ZipcksumLine& line, std::uint32_t checksum, std::uint32_t size) {
  for (int i = 0; i + 1 < line.count; i += 2)
    if (line.numbers[i] == checksum && line.numbers[i + 1] == size) return true;
  return false;
}

bool zipcksum_has_size(const ZipcksumLine& line, std::uint32_t size) {
  for (int i = 0; i + 1 < line.count; i += 2)
    if (line.numbers[i + 1] == size) return true;
  return false;
}
