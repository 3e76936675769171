#include "board_id.h"

#include <libudev.h>

#include <cstdio>

namespace {

bool read_hex(udev_device* device, const char* attribute, std::uint32_t& out) {
  const char* text = udev_device_get_sysattr_value(device, attribute);
  unsigned value = 0;
  if (!text || std::sscanf(text, "%x", &value) != 1) return false;
  out = value;
  return true;
}

// Compares up to `n` pattern bytes; a zero byte in the descriptor ends it.
bool starts_with_bytes(const unsigned char* descriptor, const unsigned char* pattern, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (descriptor[i] != pattern[i]) return false;
    if (descriptor[i] == 0) return false;
  }
  return true;
}

}  // namespace

bool read_usb_ids(udev_device* device, std::uint32_t& vid, std::uint32_t& pid, std::uint32_t& version) {
  vid = pid = version = 0;
  std::uint32_t v = 0, p = 0, r = 0;
  if (!read_hex(device, "idVendor", v) || !read_hex(device, "idProduct", p) || !read_hex(device, "bcdDevice", r))
    return false;
  vid = v;
  pid = p;
  version = r;
  return true;
}

bool is_supported(std::uint32_t vid, std::uint32_t pid) {
  return vid == KESTRO_VID && pid >= PID_FIRST && pid <= PID_LAST;
}

std::uint32_t model_from_version(std::uint32_t vid, std::uint32_t pid, std::uint32_t version) {
  if (!is_supported(vid, pid)) return 0;
  static const struct {
    std::uint32_t version, model;
  } table[] = {{0x0271, 27}, {0x0272, 28}, {0x0273, 32}, {0x0274, 29}, {0x0275, 33}, {0x0276, 31},
               {0x0277, 34}, {0x0278, 35}, {0x0279, 36}, {0x0280, 37}, {0x0281, 38}};
  for (const auto& t : table)
    if (t.version == version) return t.model;
  return 0;
}

std::uint32_t model_from_descriptor(const unsigned char* d) {
  static const unsigned char head[] = {0x06, 0x9C, 0xFF, 0x09};
  static const unsigned char tail[] = {0xA1, 0x88, 0x75, 0x08, 0x15};
  if (!starts_with_bytes(d, head, 4) || d[4] == 0 || !starts_with_bytes(d + 5, tail, 5)) return 0;
  const std::uint32_t model = d[4];
  return model >= 25 && model <= 44 ? model : 0;
}

bool is_seremu_descriptor(const unsigned char* d) {
  static const unsigned char prefix[] = {0x06, 0xC9, 0xFF, 0x09, 0x04, 0xA1, 0x5C, 0x75, 0x08};
  return starts_with_bytes(d, prefix, sizeof prefix);
}

int seremu_interface(std::uint32_t vid, std::uint32_t pid) {
  if (!is_supported(vid, pid)) return -1;
  switch (pid) {
    case 0x0482: case 0x0484: case 0x04D4: return 2;
    case 0x0485: case 0x0486: case 0x0488: case 0x04D0: case 0x04D3: return 1;
    case 0x04D1: case 0x04D2: return 0;
    default: return -1;
  }
}

const char* model_name(std::uint32_t model) {
  static const char* const names[] = {"Kestro Amber",  "Kestro Basil", "Kestro Cedar",   "Kestro Dune",
                                      "Kestro Ember",  "Kestro Fern",  "Kestro Garnet",  "Kestro Hazel",
                                      "Kestro Iris",   "Kestro Juniper", "Kestro Kelp",  "Kestro Linden",
                                      "Kestro Maple",  "Kestro Nova"};
  return model >= 25 && model <= 38 ? names[model - 25] : "Kestro";
}

const char* usb_type_name(std::uint32_t, std::uint32_t pid, std::uint32_t version) {
  switch (pid) {
    case 0x0476: return "Everything";
    case 0x0478: return "Bootloader";
    case 0x0482: return "Keyboard+Mouse+Joystick";
    case 0x0483: return "Serial";
    case 0x0485: return version == 0x0212 ? "MIDIx16" : version == 0x0211 ? "MIDIx4" : "MIDI";
    case 0x0486: return "RawHID";
    case 0x0487: return "Serial+Keyboard+Mouse+Joystick";
    case 0x0488: return "FlightSim";
    case 0x0489: return version == 0x0212 ? "Serial+MIDIx16" : version == 0x0211 ? "Serial+MIDIx4" : "Serial+MIDI";
    case 0x048A: return version == 0x0212 ? "Serial+MIDIx16+Audio" : "Serial+MIDI+Audio";
    case 0x048B: return "Dual Serial";
    case 0x048C: return "Triple Serial";
    case 0x04D0: return "Keyboard";
    case 0x04D1: return "MTPDisk";
    case 0x04D2: return "Audio";
    case 0x04D3: return "Keyboard+TouchScreen";
    case 0x04D4: return "Keyboard+Mouse+TouchScreen";
    case 0x04D5: return "Serial+MTPDisk";
    case 0x04D9: return "FlightSim+Joystick";
    default: return "Unknown";
  }
}
