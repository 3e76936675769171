// The install run's rules that need no window: how entries are grouped into
// batches between redraws, and the error text shown when a run fails.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int BATCH_ENTRIES_MAX = 25;
constexpr long BATCH_BYTES_MAX = 999'999;
constexpr std::size_t INSTALL_ERROR_SIZE = 1024;

enum class BatchResult { FAILED, MORE, DONE };

/// Places one batch, starting at `position` and advancing it: at least one
/// entry, at most 25, and no entry after the first that would bring the
/// batch's total above 999,999 bytes. `route` is the entry router.
BatchResult place_batch(const char* folder, int& position, int count, const std::uint32_t* sizes,
                        int (*route)(const char*, int));

/// The failure text: the last error message with advice on permissions,
/// a running Arduino and, when the hint flag is set, anti-virus software.
/// `root` picks the advice for a run as the superuser. Cut at 1023
/// characters; valid until the next call.
const char* compose_error_text(bool root, const char* last_error, bool antivirus);
