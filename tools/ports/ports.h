// kestro_ports: tells the IDE which Kestro boards are plugged in.
#pragma once

#include <ctime>
#include <list>
#include <string>

#include "usb_tree.h"

constexpr double PURGE_AGE_S = 0.8;
constexpr std::size_t ADDRESS_MAX = 1023;
constexpr std::size_t LABEL_MAX = 1279;

enum class PortsMode { QuickList = 0, JsonOld = 1, JsonNew = 2 };

/// One location ever reported and not yet purged.
struct PortEntry {
  std::string address;
  std::string label;
  int online = 0;
  std::uint32_t model = 0;
  timespec time{};
};

void ports_set_mode(PortsMode mode);

/// Device-changed hook: revives or makes the entry and prints it.
void port_add(const UsbDevice& d);

/// Device-removed hook: marks the entry offline; the purge reports it.
void port_gone(const UsbDevice& d);

/// Reports and drops the entries offline for more than 0.8 s.
void ports_purge();

bool ports_purge_pending();

/// One line per entry: "address label".
void ports_print_quick_list();
