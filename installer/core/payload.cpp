#include "payload.h"

#include <cstdio>
#include <cstring>

extern const unsigned char* const payload_blob;

namespace {

struct PayloadState {
  char matched_version[MATCHED_VERSION_SIZE];
  std::size_t matched_length;
  char join_buffer[JOIN_BUFFER_SIZE];
};

PayloadState state;

}  // namespace

void payload_init() {
  const unsigned char* cursor = payload_blob;
  for (int i = 0; i < PAYLOAD_COUNT; ++i) {
    payload_data[i] = cursor;
    cursor += payload_sizes[i];
  }
}

int payload_find(const char* name) {
  for (int i = 0; i < PAYLOAD_COUNT; ++i)
    if (std::strcmp(payload_names[i], name) == 0) return i;
  return -1;
}

const char* matched_version() { return state.matched_version; }

std::size_t matched_version_length() { return state.matched_length; }

void set_matched_version(const char* text, std::size_t length) {
  if (length > MATCHED_VERSION_SIZE - 1) length = MATCHED_VERSION_SIZE - 1;
  std::memcpy(state.matched_version, text, length);
  state.matched_version[length] = '\0';
  state.matched_length = length;
}

bool in_matched_version(const char* name) {
  return std::strncmp(name, state.matched_version, state.matched_length) == 0;
}

const char* starts_with(const char* s, const char* prefix) {
  std::size_t n = std::strlen(prefix);
  return std::strncmp(s, prefix, n) == 0 ? s + n : nullptr;
}

bool ends_with(const char* s, const char* suffix) {
  std::size_t ls = std::strlen(s), lx = std::strlen(suffix);
  return ls >= lx && std::memcmp(s + ls - lx, suffix, lx) == 0;
}

const char* join2(const char* a, const char* b) {
  // Either argument may be an earlier result, so build aside first.
  char joined[JOIN_BUFFER_SIZE];
  std::snprintf(joined, sizeof joined, "%s%s", a, b);
  std::memcpy(state.join_buffer, joined, sizeof joined);
  return state.join_buffer;
}

void payload_reset_state() { state = PayloadState{}; }
