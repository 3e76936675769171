// The udev-fed tree of Kestro boards and their interfaces.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>

struct udev_device;

constexpr std::size_t LOCATION_MAX = 239;
constexpr std::size_t DEVNODE_MAX = 1023;

struct UdevDeviceUnref {
  void operator()(udev_device* d) const;
};
using UdevDevicePtr = std::unique_ptr<udev_device, UdevDeviceUnref>;

/// One udev node below a board's USB device (an interface, tty, hid or
/// hidraw node).
struct UsbChild {
  UdevDevicePtr device;
};

/// One supported USB device that is present.
struct UsbDevice {
  std::string location;   ///< syspath of the USB device, at most 239 characters
  std::string devnode;    ///< chosen node, "[no_device]", or empty before the first refresh
  std::uint32_t vid = 0, pid = 0, version = 0;
  std::uint32_t model = 0;
  std::uint32_t serial_number = 0;
  UdevDevicePtr device;
  bool has_subsystem = false;
  std::string subsystem;  ///< subsystem of the chosen node, when has_subsystem
  int ifacenum = -1;
  std::list<UsbChild> children;  ///< oldest first
};

/// The tool's two hooks: a device appeared or changed, and a device is about
/// to go (every field still valid).
struct UsbHooks {
  void (*changed)(const UsbDevice&);
  void (*removed)(const UsbDevice&);
};

/// Creates the udev context and monitor (receiving before the enumeration
/// starts, so a board plugged in meanwhile is not missed), enumerates the
/// present devices through the hooks, and flushes the message log. Ends the
/// tool through loader_fatal when udev cannot be used.
void usb_discovery_start(UsbHooks hooks);

/// The monitor's descriptor, readable when an event waits.
int usb_monitor_fd();

/// Receives and handles one monitor event.
void usb_monitor_event();

/// The present devices, in order of arrival.
const std::list<UsbDevice>& usb_devices();
