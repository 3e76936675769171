// Descriptions of simulated USB boards, in umockdev's text format.
#pragma once

#include <string>
#include <vector>

/// A USB device at /sys/devices/pci0000:00/usb1/<port> with the given IDs.
inline std::string usb_device(const std::string& port, const char* vid, const char* pid, const char* version,
                              const std::string& node = "bus/usb/001/002") {
  return "P: /devices/pci0000:00/usb1/" + port + "\nN: " + node + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n" +
         "E: DEVNAME=/dev/" + node + "\nA: idVendor=" + vid + "\nA: idProduct=" + pid + "\nA: bcdDevice=" + version +
         "\n\n";
}

inline std::string usb_syspath(const std::string& port) { return "/sys/devices/pci0000:00/usb1/" + port; }

inline std::string interface(const std::string& port, int number) {
  return "P: /devices/pci0000:00/usb1/" + port + "/" + port + ":1." + std::to_string(number) +
         "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=0" + std::to_string(number) + "\n\n";
}

inline std::string interface_syspath(const std::string& port, int number) {
  return usb_syspath(port) + "/" + port + ":1." + std::to_string(number);
}

inline std::string tty(const std::string& port, int number, const std::string& name) {
  return "P: /devices/pci0000:00/usb1/" + port + "/" + port + ":1." + std::to_string(number) + "/tty/" + name +
         "\nN: " + name + "\nE: SUBSYSTEM=tty\nE: DEVNAME=/dev/" + name + "\n\n";
}

inline std::string tty_syspath(const std::string& port, int number, const std::string& name) {
  return interface_syspath(port, number) + "/tty/" + name;
}

/// A hid node with its report descriptor (hex) and, below it, a hidraw node.
inline std::string hid(const std::string& port, int number, const std::string& descriptor_hex,
                       const std::string& hidraw = "") {
  const std::string base = "/devices/pci0000:00/usb1/" + port + "/" + port + ":1." + std::to_string(number) +
                           "/0003:16C0:0486." + std::to_string(number + 1);
  std::string s = "P: " + base + "\nE: SUBSYSTEM=hid\nH: report_descriptor=" + descriptor_hex + "\n\n";
  if (!hidraw.empty())
    s += "P: " + base + "/hidraw/" + hidraw + "\nN: " + hidraw + "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/" + hidraw +
         "\n\n";
  return s;
}

inline std::string hid_syspath(const std::string& port, int number) {
  return interface_syspath(port, number) + "/0003:16C0:0486." + std::to_string(number + 1);
}

constexpr const char* SEREMU_DESCRIPTOR = "06C9FF0904A15C75089520";
inline std::string bootloader_descriptor(int model) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%02X", model);
  return std::string("069CFF09") + hex + "A188750815";
}
