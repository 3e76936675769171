// The payload archive: every file of the add-on, linked into the installer.
#pragma once

#include <cstddef>
#include <cstdint>

/// Number of entries; every loop over the archive runs 0 .. PAYLOAD_COUNT-1.
/// Fixed when the installer is linked (the generated tables define it).
extern const int PAYLOAD_COUNT;
/// Entry names, NUL-terminated; a link entry reads "path --> target".
extern const char* const payload_names[];
/// Entry sizes in bytes; 0 is allowed.
extern const std::uint32_t payload_sizes[];
/// Start of each entry's bytes inside the blob; valid after payload_init().
/// Entry bytes carry no terminator: bound every scan by payload_sizes[i].
extern const unsigned char* payload_data[];

constexpr std::size_t MATCHED_VERSION_SIZE = 64;
constexpr std::size_t JOIN_BUFFER_SIZE = 4096;

/// Lays out payload_data by walking the sizes from the start of the blob.
/// Runs once, first thing at start-up.
void payload_init();

/// Index of the first entry whose name equals `name` exactly, or -1.
int payload_find(const char* name);

/// The matched version ("1.8.19"), empty when the last validation matched
/// nothing. Valid until the next set_matched_version().
const char* matched_version();
std::size_t matched_version_length();

/// Replaces the matched version, cut at 63 characters. Only the folder
/// validation calls this; an empty text clears it.
void set_matched_version(const char* text, std::size_t length);

/// True when `name` begins with the matched version; only that many
/// characters are compared. With an empty matched version every name passes.
bool in_matched_version(const char* name);

/// The rest of `s` after `prefix` when `s` begins with it, otherwise nullptr.
const char* starts_with(const char* s, const char* prefix);

/// True when `s` is at least as long as `suffix` and ends with it.
bool ends_with(const char* s, const char* suffix);

/// `a` followed by `b` in one shared 4096-byte buffer, cut at 4095
/// characters. Each call overwrites the previous result.
const char* join2(const char* a, const char* b);

/// Clears the matched version and the join buffer (for tests).
void payload_reset_state();
