// Gives the test process private copies of the system folders that the
// installer writes to, so that a test never touches the machine's own.
#pragma once

#include <string>

/// Moves the process into a mount namespace of its own (and, when
/// `own_network` is set, a network namespace with loopback up, which also
/// keeps X displays apart), then mounts fresh tmpfs over /tmp and over
/// /etc/udev/rules.d. When the machine has no /etc/udev/rules.d, /etc gets
/// a writable overlay first; its changes vanish with the namespace.
/// Returns an empty string on success, otherwise what failed. Run it before
/// the process starts any thread.
std::string enter_private_mounts(bool own_network = false);

/// Empties a folder inside the private mounts (the tmpfs above).
void empty_folder(const std::string& path);
