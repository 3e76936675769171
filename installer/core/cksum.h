// The POSIX cksum checksum, as the criteria files record it.
#pragma once

#include <cstddef>
#include <cstdint>

/// Feeds `n` bytes into the running value (start from 0).
std::uint32_t cksum_update(std::uint32_t value, const void* bytes, std::size_t n);

/// Feeds the total length, least significant byte first, and returns the
/// complement: the number that coreutils cksum prints.
std::uint32_t cksum_finish(std::uint32_t value, std::uint64_t length);
