// The field of a "zipcksum:" criteria line: jar path, number pairs, member.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int ZIPCKSUM_MAX_NUMBERS = 31;

struct ZipcksumLine {
  std::size_t jar_length = 0;  ///< the jar path is field[0, jar_length)
  std::uint32_t numbers[ZIPCKSUM_MAX_NUMBERS] = {};
  int count = 0;               ///< even, 2 to 30: (checksum, size) pairs
  const char* member = nullptr;  ///< points into the field, to its end
};

/// Splits a NUL-terminated "zipcksum:" field. jar_length is always set (the
/// field up to its first space). Returns false when the numbers are
/// malformed: no space after the jar path, a 32nd number, a number at the
/// end of the line or not followed by a space, fewer than 2 or an odd count.
bool zipcksum_parse(const char* field, ZipcksumLine& line);

/// True when (checksum, size) is one of the line's pairs.
bool zipcksum_has_pair(const ZipcksumLine& line, std::uint32_t checksum, std::uint32_t size);

/// True when `size` is the size of one of the line's pairs.
bool zipcksum_has_size(const ZipcksumLine& line, std::uint32_t size);
