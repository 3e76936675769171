// Checks that the udev rules which give users access to Kestro boards are
// installed, and says how to put them in place when they are not.
#pragma once

#include <cstddef>

constexpr std::size_t UDEV_ERROR_SIZE = 4096;
inline constexpr const char* UDEV_RULES_PATH = "/etc/udev/rules.d/00-kestro.rules";
inline constexpr const char* UDEV_TEMP_COPY_PATH = "/tmp/00-kestro.rules";
inline constexpr const char* UDEV_RULES_DOWNLOAD = "https://kestrokit.example.org/00-kestro.rules";

/// Compares the installed rules file with the payload's copy. Returns nullptr
/// when they are equal, otherwise the text of the problem, valid until the
/// next call. Before advising "sudo cp", writes the reference copy to
/// /tmp/00-kestro.rules.
const char* udev_check();

/// Writes the reference rules to the temporary copy: created exclusively
/// and never through a link, mode 0644. An earlier copy is replaced only
/// when it is this user's own regular file. True when every byte is there.
bool udev_write_temp_copy(const unsigned char* bytes, std::size_t size);

/// Forgets the reference entry and the comparison buffer (for tests).
void udev_check_reset();
