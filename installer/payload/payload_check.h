// The guarantees that the installer relies on, checked before anything is
// linked.
#pragma once

#include <string>
#include <vector>

#include "payload_order.h"

namespace payload_build {

/// Checks the entries, already in install order, against the rules that the
/// installer relies on: 32-bit sizes; well-formed unique names; every link
/// after its target; the plain file kestrokit.txt last; well-formed version
/// folders that are no prefix of one another and hold both LINUX64 text
/// files; and no installable top-level folder beginning with a digit.
/// Returns one "<entry>: <rule broken>" message per violation, none when the
/// payload is sound.
std::vector<std::string> payload_check(const std::vector<SourceEntry>& ordered);

}  // namespace payload_build
