// Keeping reinstalls valid: a class that the payload writes into a jar must
// still pass the criteria line that checks it.
#pragma once

#include <string>
#include <vector>

#include "payload_order.h"

namespace payload_build {

/// For every class entry "<version>/LINUX64/<jar>/<member>" whose member a
/// "zipcksum:" line of that version's criteria file checks (in the jar whose
/// path ends in "/<jar>"), the class's own (cksum, size) pair must be on the
/// line; otherwise a folder that this payload was installed into would no
/// longer validate. Reads the class and criteria files. Returns one message
/// per violation.
std::vector<std::string> payload_check_replaced_classes(const std::vector<SourceEntry>& ordered);

}  // namespace payload_build
