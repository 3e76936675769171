#include "loader_peer_process.h"

#include <net/if.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "run_program.h"

void enter_private_network() {
  ASSERT_EQ(unshare(CLONE_NEWNET), 0) << "unshare(CLONE_NEWNET) needs root: " << std::strerror(errno);
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(fd, 0);
  ifreq ifr{};
  std::snprintf(ifr.ifr_name, sizeof ifr.ifr_name, "lo");
  ASSERT_EQ(ioctl(fd, SIOCGIFFLAGS, &ifr), 0);
  ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
  ASSERT_EQ(ioctl(fd, SIOCSIFFLAGS, &ifr), 0);
  close(fd);
}

bool port_listening(int port) {
  std::ifstream tcp("/proc/net/tcp");
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
  std::string line;
  while (std::getline(tcp, line))
    if (line.find(wanted) != std::string::npos && line.find(" 0A ") != std::string::npos) return true;
  return false;
}

LoaderPeer::LoaderPeer(const std::vector<std::string>& options, bool wait_until_listening) {
  const std::string program = bin_path("kestro_loader_peer");
  pid_ = fork();
  if (pid_ == 0) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& o : options) argv.push_back(const_cast<char*>(o.c_str()));
    // With no options at all the peer acts as the sample loader and keeps a
    // log beside itself; a test peer never does.
    static char quiet[] = "--log=/dev/null";
    if (options.empty()) argv.push_back(quiet);
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  if (!wait_until_listening) return;
  for (int i = 0; i < 500 && !port_listening(3149) && !port_listening(25981) && !port_listening(6837); ++i)
    usleep(10000);
}

LoaderPeer::~LoaderPeer() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}
