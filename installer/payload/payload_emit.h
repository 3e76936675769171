// Writing the payload tables and blob for the compiler and the assembler.
#pragma once

#include <string>
#include <vector>

#include "payload_order.h"

namespace payload_build {

/// Writes into `out_dir`:
///  - payload_blob.S: one .incbin per entry, back to back, with an assembler
///    check after each one that the blob has grown to the expected offset;
///  - payload_tables.cpp: PAYLOAD_COUNT, payload_names, payload_sizes and
///    payload_data, with compile-time checks that they agree;
///  - manifest.txt: "index<TAB>size<TAB>name<TAB>source" per entry.
/// A file whose text is unchanged is left alone, so that an unchanged tree
/// does not relink the installer. Returns false (with `error` set) on an I/O
/// failure.
bool payload_emit(const std::vector<SourceEntry>& ordered, const std::string& out_dir,
                  std::string& error);

}  // namespace payload_build
