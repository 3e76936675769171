// A circular byte buffer of N bytes holding at most N-1, moved in
// contiguous stretches.
#pragma once

#include <cstddef>
#include <cstdint>

template <std::size_t N>
struct Ring {
  std::uint32_t write_at = 0;
  std::uint32_t read_at = 0;
  unsigned char bytes[N];

  bool empty() const { return write_at == read_at; }
  bool has_space() const { return (write_at + 1) % N != read_at; }
  /// The free stretch from the write position to the read position or the
  /// physical end, whichever comes first.
  std::size_t free_stretch() const {
    if (write_at >= read_at) return N - write_at - (read_at == 0 ? 1 : 0);
    return read_at - write_at - 1;
  }
  std::size_t filled_stretch() const { return write_at >= read_at ? write_at - read_at : N - read_at; }
  unsigned char* write_ptr() { return bytes + write_at; }
  const unsigned char* read_ptr() const { return bytes + read_at; }
  void added(std::size_t n) { write_at = static_cast<std::uint32_t>((write_at + n) % N); }
  void consumed(std::size_t n) { read_at = static_cast<std::uint32_t>((read_at + n) % N); }
};
