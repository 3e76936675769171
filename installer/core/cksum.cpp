#include "cksum.h"

#include <array>

namespace {

// Entry n is the CRC of byte n in the top 8 bits (polynomial 0x04C11DB7,
// most significant bit first).
constexpr std::array<std::uint32_t, 256> make_table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n << 24;
    for (int bit = 0; bit < 8; ++bit) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> TABLE = make_table();

}  // namespace

std::uint32_t cksum_update(std::uint32_t value, const void* bytes, std::size_t n) {
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  for (std::size_t i = 0; i < n; ++i) value = (value << 8) ^ TABLE[(value >> 24) ^ p[i]];
  return value;
}

std::uint32_t cksum_finish(std::uint32_t value, std::uint64_t length) {
  for (; length != 0; length >>= 8) {
    unsigned char b = static_cast<unsigned char>(length & 0xFF);
    value = cksum_update(value, &b, 1);
  }
  return ~value;
}
