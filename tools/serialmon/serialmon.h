// kestro_serialmon: the serial monitor for the board at one USB location.
#pragma once

#include <string>

#include "usb_tree.h"

constexpr std::size_t OUTPUT_RING = 6 * 1024 * 1024;
constexpr std::size_t INPUT_RING = 2 * 1024 * 1024;
constexpr std::size_t BOARD_READ_MAX = 65536;
constexpr std::size_t SEREMU_REPORT = 32;
constexpr double SEREMU_REPORT_GAP_S = 0.0019;
constexpr int SERIALMON_ERRORS_MAX = 10;

/// Device-changed hook: opens the board's port when it is at the wanted
/// location and no port is open.
void port_open(const UsbDevice& d);

/// Device-removed hook: closes the port when its board goes.
void port_close(const UsbDevice& d);

/// The select loop; ends only through loader_fatal.
[[noreturn]] void serialmon_loop(int monitor_fd);

void serialmon_set_location(const std::string& location);
