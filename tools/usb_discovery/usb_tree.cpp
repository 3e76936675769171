#include "usb_tree.h"

#include <libudev.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board_id.h"
#include "loader_log.h"

void UdevDeviceUnref::operator()(udev_device* d) const { udev_device_unref(d); }

namespace {

struct TreeState {
  udev* context = nullptr;
  udev_monitor* monitor = nullptr;
  std::list<UsbDevice> devices;
  UsbHooks hooks{};
};

TreeState tree;

constexpr const char* SUBSYSTEMS[] = {"usb", "tty", "hid", "hidraw"};

const char* text_or_null(const char* s) { return s ? s : "(null)"; }

bool same(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

void discard(udev_device* d) {
  udev_device_unref(d);
  loader_flush_log();
}

int interface_number(udev_device* node) {
  udev_device* iface = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_interface");
  if (!iface) return -1;
  const char* text = udev_device_get_sysattr_value(iface, "bInterfaceNumber");
  int n = -1;
  if (!text || std::sscanf(text, "%d", &n) != 1 || n < 0) return -1;
  return n;
}

bool is_seremu_node(udev_device* node) {
  udev_device* hid = udev_device_get_parent_with_subsystem_devtype(node, "hid", nullptr);
  if (!hid) return false;
  const char* descriptor = udev_device_get_sysattr_value(hid, "report_descriptor");
  return descriptor && is_seremu_descriptor(reinterpret_cast<const unsigned char*>(descriptor));
}

// The child that a pass picks, walking from the newest to the oldest.
template <typename Test>
udev_device* newest_child(UsbDevice& r, Test test) {
  for (auto it = r.children.rbegin(); it != r.children.rend(); ++it)
    if (test(it->device.get())) return it->device.get();
  return nullptr;
}

void refresh(UsbDevice& r) {
  udev_device* chosen = nullptr;
  if (!r.children.empty()) {
    chosen = newest_child(r, [](udev_device* c) {
      return same(udev_device_get_subsystem(c), "tty") && udev_device_get_devnode(c);
    });
    if (!chosen)
      chosen = newest_child(r, [](udev_device* c) {
        return same(udev_device_get_subsystem(c), "hidraw") && udev_device_get_devnode(c) && is_seremu_node(c);
      });
    const int n = seremu_interface(r.vid, r.pid);
    if (!chosen && n >= 0)
      chosen = newest_child(r, [n](udev_device* c) { return udev_device_get_devnode(c) && interface_number(c) == n; });
  }
  std::string devnode;
  const char* subsystem = nullptr;
  int ifacenum = -1;
  if (chosen) {
    devnode = udev_device_get_devnode(chosen);
    subsystem = udev_device_get_subsystem(chosen);
    ifacenum = interface_number(chosen);
  } else if (const char* own = udev_device_get_devnode(r.device.get())) {
    devnode = own;
    subsystem = udev_device_get_subsystem(r.device.get());
  } else {
    devnode = "[no_device]";
  }
  if (devnode.size() > DEVNODE_MAX) devnode.resize(DEVNODE_MAX);
  if (devnode != r.devnode) {
    r.devnode = devnode;
    r.has_subsystem = subsystem != nullptr;
    r.subsystem = subsystem ? subsystem : "";
    r.ifacenum = ifacenum;
    loader_verbose("  devnode=%s, subsystem=%s, ifacenum=%d\n", r.devnode.c_str(), text_or_null(subsystem), ifacenum);
  }
  if (r.children.empty()) return;
  std::uint32_t model = 0;
  if (r.vid == KESTRO_VID && r.pid == PID_BOOTLOADER) {
    for (auto it = r.children.rbegin(); it != r.children.rend() && !model; ++it) {
      udev_device* c = it->device.get();
      if (!same(udev_device_get_subsystem(c), "hid")) continue;
      const char* descriptor = udev_device_get_sysattr_value(c, "report_descriptor");
      if (descriptor) model = model_from_descriptor(reinterpret_cast<const unsigned char*>(descriptor));
    }
  }
  if (!model) model = model_from_version(r.vid, r.pid, r.version);
  if (model && model != r.model) {
    r.model = model;
    loader_verbose("  model=%u (%s)\n", model, model_name(model));
  }
}

void add(udev_device* d) {
  const char* syspath = udev_device_get_syspath(d);
  const char* subsystem = udev_device_get_subsystem(d);
  if (!syspath || !subsystem) return discard(d);
  const char* devtype = udev_device_get_devtype(d);
  std::uint32_t vid = 0, pid = 0, version = 0;
  if (devtype && same(subsystem, "usb") && same(devtype, "usb_device")) {
    if (!read_usb_ids(d, vid, pid, version) || !is_supported(vid, pid)) return discard(d);
    UsbDevice& r = tree.devices.emplace_back();
    r.location.assign(syspath, std::min(std::strlen(syspath), LOCATION_MAX));
    r.vid = vid;
    r.pid = pid;
    r.version = version;
    r.device.reset(d);
    loader_verbose("add device: subsys=%s, type=%s, location=%s\n", subsystem, devtype, syspath);
    refresh(r);
    tree.hooks.changed(r);
    return;
  }
  udev_device* usb = udev_device_get_parent_with_subsystem_devtype(d, "usb", "usb_device");
  if (!usb || !read_usb_ids(usb, vid, pid, version) || !is_supported(vid, pid)) return discard(d);
  const char* parent_path = udev_device_get_syspath(usb);
  if (!parent_path) return discard(d);
  for (UsbDevice& r : tree.devices) {
    if (!same(udev_device_get_syspath(r.device.get()), parent_path)) continue;
    r.children.emplace_back().device.reset(d);
    loader_verbose("add child:  subsys=%s, type=%s, location=%s\n", subsystem, text_or_null(devtype), syspath);
    loader_verbose("  parent location=%s\n", parent_path);
    refresh(r);
    tree.hooks.changed(r);
    return;
  }
  discard(d);
}

void remove(udev_device* d) {
  const char* syspath = udev_device_get_syspath(d);
  if (!syspath) {
    udev_device_unref(d);
    return;
  }
  for (auto it = tree.devices.begin(); it != tree.devices.end();) {
    auto next = std::next(it);
    if (same(udev_device_get_syspath(it->device.get()), syspath)) {
      tree.hooks.removed(*it);
      loader_verbose("del device: location=%s\n", syspath);
      tree.devices.erase(it);
    } else {
      bool changed = false;
      for (auto c = it->children.begin(); c != it->children.end();) {
        auto c_next = std::next(c);
        if (same(udev_device_get_syspath(c->device.get()), syspath)) {
          loader_verbose("del child: location=%s\n", syspath);
          it->children.erase(c);
          changed = true;
        }
        c = c_next;
      }
      if (changed) refresh(*it);
    }
    it = next;
  }
  udev_device_unref(d);
  loader_flush_log();
}

}  // namespace

void usb_discovery_start(UsbHooks hooks) {
  tree.hooks = hooks;
  tree.context = udev_new();
  if (!tree.context) loader_fatal("unable to use udev");
  tree.monitor = udev_monitor_new_from_netlink(tree.context, "udev");
  if (!tree.monitor) loader_fatal("unable to monitor udev events\n");
  for (const char* s : SUBSYSTEMS) udev_monitor_filter_add_match_subsystem_devtype(tree.monitor, s, nullptr);
  if (udev_monitor_enable_receiving(tree.monitor) < 0) loader_fatal("unable to monitor udev events\n");

  udev_enumerate* e = udev_enumerate_new(tree.context);
  if (e) {
    for (const char* s : SUBSYSTEMS) udev_enumerate_add_match_subsystem(e, s);
    udev_enumerate_scan_devices(e);
    for (udev_list_entry* entry = udev_enumerate_get_list_entry(e); entry; entry = udev_list_entry_get_next(entry)) {
      udev_device* d = udev_device_new_from_syspath(tree.context, udev_list_entry_get_name(entry));
      if (d) add(d);
    }
    udev_enumerate_unref(e);
  }
  loader_flush_log();
}

int usb_monitor_fd() { return tree.monitor ? udev_monitor_get_fd(tree.monitor) : -1; }

void usb_monitor_event() {
  if (!tree.monitor) return;
  udev_device* d = udev_monitor_receive_device(tree.monitor);
  if (!d) return;
  const char* action = udev_device_get_action(d);
  if (same(action, "add")) return add(d);
  if (same(action, "remove")) return remove(d);
  loader_verbose("unknown action: %s\n", text_or_null(action));
  udev_device_unref(d);
}

const std::list<UsbDevice>& usb_devices() { return tree.devices; }
