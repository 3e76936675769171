#include "ports.h"

#include <cstdio>
#include <cstring>

#include "board_id.h"
#include "loader_log.h"

namespace {

struct PortsState {
  PortsMode mode = PortsMode::JsonOld;
  std::list<PortEntry> ports;
  bool purge_pending = false;
};

PortsState state;

timespec now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts;
}

void print_present(const PortEntry& e, const UsbDevice& d) {
  if (state.mode == PortsMode::JsonOld) {
    std::printf(
        "{\n  \"address\": \"%s\",\n  \"online\": true,\n  \"label\": \"%s\",\n  \"vid\": \"%04X\",\n"
        "  \"pid\": \"%04X\",\n  \"iserial\": \"%u\",\n  \"boardName\": \"%s\",\n  \"protocol\": \"Kestro\"\n}\n",
        e.address.c_str(), e.label.c_str(), d.vid, d.pid, d.serial_number, model_name(e.model));
  } else if (state.mode == PortsMode::JsonNew) {
    std::printf(
        "{\n  \"eventType\": \"add\",\n  \"port\": {\n    \"address\": \"%s\",\n    \"protocol\": \"Kestro\",\n"
        "    \"protocolLabel\": \"Kestro Ports\",\n    \"boardName\": \"%s\",\n    \"label\": \"%s %s\",\n"
        "    \"identificationPrefs\": {\n    },\n    \"prefs\": {\n      \"vendorId\": \"%04X\",\n"
        "      \"productId\": \"%04X\",\n      \"serialNumber\": \"%u\"\n    },\n    \"online\": \"true\"\n  }\n}\n",
        e.address.c_str(), model_name(e.model), d.devnode.c_str(), usb_type_name(d.vid, d.pid, d.version), d.vid,
        d.pid, d.serial_number);
  } else {
    return;
  }
  std::fflush(stdout);
}

void print_gone(const PortEntry& e) {
  if (state.mode == PortsMode::JsonOld)
    std::printf("{\n  \"address\": \"%s\",\n  \"online\": false\n}\n", e.address.c_str());
  else if (state.mode == PortsMode::JsonNew)
    std::printf("{\n  \"eventType\": \"remove\",\n  \"port\": {\n    \"address\": \"%s\",\n    \"online\": \"false\"\n  }\n}\n",
                e.address.c_str());
  else
    return;
  std::fflush(stdout);
}

}  // namespace

void ports_set_mode(PortsMode mode) { state.mode = mode; }

void port_add(const UsbDevice& d) {
  if (d.vid == KESTRO_VID && d.pid == 0x0477) {
    loader_verbose("ignoring wakebox\n");
    return;
  }
  if (d.vid == KESTRO_VID && d.pid == 0x0476 && d.version == 0x9999) {
    loader_verbose("ignoring hubflipper\n");
    return;
  }
  PortEntry* entry = nullptr;
  for (PortEntry& e : state.ports)
    if (e.address == d.location) {
      entry = &e;
      break;
    }
  if (!entry) {
    entry = &state.ports.emplace_back();
    entry->address = d.location.substr(0, ADDRESS_MAX);
  }
  entry->online = 1;
  entry->time = now();
  if (d.model) entry->model = d.model;
  char label[LABEL_MAX + 1];
  std::snprintf(label, sizeof label, "%s (%s) %s", d.devnode.c_str(), model_name(entry->model),
                usb_type_name(d.vid, d.pid, d.version));
  entry->label = label;
  loader_verbose("usb_add: %s\n", label);
  print_present(*entry, d);
}

void port_gone(const UsbDevice& d) {
  for (PortEntry& e : state.ports) {
    if (e.address != d.location) continue;
    e.online = 0;
    e.time = now();
    state.purge_pending = true;
  }
}

void ports_purge() {
  const timespec t = now();
  bool waiting = false;
  for (auto it = state.ports.begin(); it != state.ports.end();) {
    auto next = std::next(it);
    if (!it->online) {
      const double age = static_cast<double>(t.tv_sec - it->time.tv_sec) + (t.tv_nsec - it->time.tv_nsec) * 1e-9;
      if (age > PURGE_AGE_S) {
        loader_verbose("purge, name=%s, loc=%s, age=%.3f\n", it->label.c_str(), it->address.c_str(), age);
        print_gone(*it);
        state.ports.erase(it);
      } else {
        waiting = true;
      }
    }
    it = next;
  }
  state.purge_pending = waiting;
}

bool ports_purge_pending() { return state.purge_pending; }

void ports_print_quick_list() {
  for (const PortEntry& e : state.ports) std::printf("%s %s\n", e.address.c_str(), e.label.c_str());
  std::fflush(stdout);
}
