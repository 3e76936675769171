// The install order of the payload, computed from entry names alone.
#pragma once

#include <string>
#include <string_view>

namespace payload_build {

/// One entry as the builder sees it before it is laid out.
struct SourceEntry {
  std::string path;    ///< entry path inside the tree ("arm/bin/gcc")
  std::string target;  ///< for a link entry, the entry path it stands for
  std::string source;  ///< file whose bytes go into the blob (empty for links)
  unsigned long long size = 0;
  long long mtime_ns = 0;
  bool is_link = false;

  /// The name stored in the payload: the path, or "path --> target" for a link.
  std::string name() const { return is_link ? path + " --> " + target : path; }
};

/// The rank of a path among the groups of the install order, smallest first:
///  0 top-level tool programs (top-level files without a "." in their name)
///  1 otherlibs/
///  2 top-level *.rules (the udev rules copy)
///  3 every other top-level folder (toolchains such as arm/)
///  4 every other top-level file, except *.png and kestrokit.txt
///    (Windows driver files and the like)
///  5 version folders (a top-level folder whose name starts with a digit)
///  6 examples/   7 cores/   8 libraries/   9 armlib/
/// 10 top-level *.png (the wizard pictures)
/// 11 boards.txt and platform.txt directly inside a version folder
/// 12 kestrokit.txt
int payload_group(std::string_view path);

/// Strict weak order of the install: group; then, for version folders, the
/// folder name, then jar classes for arduino-core.jar, then pde.jar, then the
/// rest; inside that, plain files before links; finally the path in byte
/// order. Links come after plain files so that a link never precedes a target
/// of its own group.
bool payload_order_less(const SourceEntry& a, const SourceEntry& b);

}  // namespace payload_build
