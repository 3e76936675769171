#include "udev_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "payload.h"
#include "unique_fd.h"

namespace {

struct UdevCheckState {
  int reference = -1;
  std::unique_ptr<unsigned char[]> compared;
  char error_text[UDEV_ERROR_SIZE] = {};
};

UdevCheckState udev;

// The reason an installed rules file is not right, or nullptr when it is.
const char* examine_installed(std::size_t size) {
  struct stat st{};
  if (stat(UDEV_RULES_PATH, &st) != 0)
    return "The file does not seem to exist, or directory permissions are blocking this installer from accessing "
           "/etc/udev/rules.d";
  if (!S_ISREG(st.st_mode)) return "00-kestro.rules is not a regular file";
  if (static_cast<std::size_t>(st.st_size) != size) return "The file does not match known-good data, wrong size";
  unique_fd fd(open(UDEV_RULES_PATH, O_RDONLY | O_CLOEXEC));
  if (!fd) return "Unable to open the file to check data";
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = read(fd.get(), udev.compared.get() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got < size) return "Unable to read the file to check data";
  if (std::memcmp(udev.compared.get(), payload_data[udev.reference], size) != 0)
    return "The file does not match the known-good data";
  return nullptr;
}

// Opens the temporary copy for writing. /tmp is shared with every other
// user: a name planted there may be a link to somewhere else or a file that
// someone else can rewrite after we filled it, and the user is about to copy
// it into the system's rules with sudo. So the copy is always a file of our
// own making, and an old one is removed first only when it is ours.
unique_fd create_temp_copy() {
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  unique_fd fd(open(UDEV_TEMP_COPY_PATH, flags, 0644));
  if (fd || errno != EEXIST) return fd;
  struct stat st{};
  if (lstat(UDEV_TEMP_COPY_PATH, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) return unique_fd();
  // In a sticky /tmp nobody else can rename or remove our file, so what we
  // unlink is what we examined; a name planted after it makes O_EXCL fail.
  if (unlink(UDEV_TEMP_COPY_PATH) != 0) return unique_fd();
  return unique_fd(open(UDEV_TEMP_COPY_PATH, flags, 0644));
}

}  // namespace

bool udev_write_temp_copy(const unsigned char* bytes, std::size_t size) {
  unique_fd fd = create_temp_copy();
  if (!fd) return false;
  // The umask may have taken bits away; the copy is to be readable by all.
  if (fchmod(fd.get(), 0644) != 0) return false;
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd.get(), bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool closed = close(fd.release()) == 0;
  return done == size && closed;
}

const char* udev_check() {
  if (udev.reference < 0) {
    for (int i = 0; i < PAYLOAD_COUNT && udev.reference < 0; ++i)
      if (std::strstr(payload_names[i], "00-kestro.rules")) udev.reference = i;
    if (udev.reference < 0)
      return "An internal error has occurred, could not find a copy of the correct 00-kestro.rules UDEV rules file.";
  }
  const std::size_t size = payload_sizes[udev.reference];
  if (!udev.compared) {
    udev.compared.reset(new (std::nothrow) unsigned char[size + 1]);
    if (!udev.compared) return "An internal error has occurred, unable to allocate memory";
  }
  const char* reason = examine_installed(size);
  if (!reason) return nullptr;
  if (udev_write_temp_copy(payload_data[udev.reference], size)) {
    std::snprintf(udev.error_text, sizeof udev.error_text,
                  "ERROR in /etc/udev/rules.d/00-kestro.rules\n\n%s\n\nTo fix this problem, run this command in a "
                  "terminal:\n  sudo cp /tmp/00-kestro.rules /etc/udev/rules.d/",
                  reason);
  } else {
    std::snprintf(udev.error_text, sizeof udev.error_text,
                  "ERROR in /etc/udev/rules.d/00-kestro.rules\n\n%s\n\nPlease download this file from\n    %s\nand copy "
                  "it to /etc/udev/rules.d/",
                  reason, UDEV_RULES_DOWNLOAD);
  }
  return udev.error_text;
}

void udev_check_reset() {
  udev.reference = -1;
  udev.compared.reset();
}
