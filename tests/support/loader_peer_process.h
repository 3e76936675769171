// Loader tests: a private network of the test's own, and loader peers in it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

/// Moves the calling test process into a network namespace of its own with
/// the loopback interface up, so that the loader's fixed ports never collide
/// with another test or with a real loader. Fails the test when it cannot.
void enter_private_network();

/// True while something listens on 127.0.0.1:`port` in this namespace.
bool port_listening(int port);

/// kestro_loader_peer with the given options, started in the background;
/// killed when the object goes.
class LoaderPeer {
 public:
  explicit LoaderPeer(const std::vector<std::string>& options, bool wait_until_listening = true);
  ~LoaderPeer();
  LoaderPeer(const LoaderPeer&) = delete;
  LoaderPeer& operator=(const LoaderPeer&) = delete;

 private:
  pid_t pid_ = -1;
};
