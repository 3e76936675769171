#include "private_mounts.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "run_program.h"

namespace {

std::string failed(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

std::string enter_private_mounts(bool own_network) {
  if (unshare(CLONE_NEWNS | (own_network ? CLONE_NEWNET : 0)) != 0) return failed("unshare (run as root)");
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return failed("making / private");
  if (own_network) {
    RunResult r = run_program({"/usr/sbin/ip", "link", "set", "lo", "up"});
    if (r.exit_code != 0) return "ip link set lo up: " + r.err;
  }
  struct stat st{};
  if (stat("/etc/udev/rules.d", &st) != 0) {
    // The overlay's layers live on a tmpfs over /tmp, which the fresh /tmp
    // below then hides; the namespace drops both at its end.
    const char* layers = "/tmp";
    if (mount("layers", layers, "tmpfs", 0, "size=4m") != 0) return failed("tmpfs for the /etc overlay");
    const std::string upper = std::string(layers) + "/upper", work = std::string(layers) + "/work";
    mkdir(upper.c_str(), 0755);
    mkdir(work.c_str(), 0755);
    const std::string options = "lowerdir=/etc,upperdir=" + upper + ",workdir=" + work;
    if (mount("overlay", "/etc", "overlay", 0, options.c_str()) != 0) return failed("overlay over /etc");
    std::filesystem::create_directories("/etc/udev/rules.d");
  }
  if (mount("rules", "/etc/udev/rules.d", "tmpfs", 0, "size=1m,mode=0755") != 0)
    return failed("tmpfs over /etc/udev/rules.d");
  if (mount("tmp", "/tmp", "tmpfs", 0, "size=64m,mode=1777") != 0) return failed("tmpfs over /tmp");
  return {};
}

void empty_folder(const std::string& path) {
  for (const auto& e : std::filesystem::directory_iterator(path)) std::filesystem::remove_all(e.path());
}
