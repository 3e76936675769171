// Reading a staging tree into payload entries.
#pragma once

#include <string>
#include <vector>

#include "payload_order.h"

namespace payload_build {

/// Walks the staging directory `root` and appends one entry per regular file
/// and per symbolic link. A symbolic link becomes a link entry: its target is
/// resolved relative to the link's own folder and must name a regular file
/// inside the tree (chains of links are followed to that file). Anything else
/// (a link to a folder or outside the tree, a device, a fifo) is an error,
/// appended to `errors` as "<path>: <reason>".
void tree_scan(const std::string& root, std::vector<SourceEntry>& entries,
               std::vector<std::string>& errors);

/// Appends a top-level entry `name` with the bytes of the file `file`
/// (the programs that the build itself makes).
void tree_add_file(const std::string& name, const std::string& file,
                   std::vector<SourceEntry>& entries, std::vector<std::string>& errors);

}  // namespace payload_build
