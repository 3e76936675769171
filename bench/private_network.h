// Benchmarks that use the loader's fixed ports run in a network of their own.
#pragma once

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

/// Moves this process into a new network namespace with loopback up.
/// Returns false (and stays put) when that is not allowed, as for non-root.
inline bool private_network() {
  if (unshare(CLONE_NEWNET) != 0) return false;
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  ifreq ifr{};
  std::snprintf(ifr.ifr_name, sizeof ifr.ifr_name, "lo");
  ioctl(fd, SIOCGIFFLAGS, &ifr);
  ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
  bool ok = ioctl(fd, SIOCSIFFLAGS, &ifr) == 0;
  close(fd);
  return ok;
}
