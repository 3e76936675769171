// Which USB devices are Kestro boards, which model, and what to call them.
#pragma once

#include <cstddef>
#include <cstdint>

struct udev_device;

constexpr std::uint32_t KESTRO_VID = 0x16C0;
constexpr std::uint32_t PID_FIRST = 0x0474;
constexpr std::uint32_t PID_LAST = 0x04D7;
constexpr std::uint32_t PID_BOOTLOADER = 0x0478;

/// Reads idVendor, idProduct and bcdDevice ("%x"). The outputs are 0 and
/// the result false unless all three read.
bool read_usb_ids(udev_device* device, std::uint32_t& vid, std::uint32_t& pid, std::uint32_t& version);

bool is_supported(std::uint32_t vid, std::uint32_t pid);

/// The model that a supported device's bcdDevice names, or 0.
std::uint32_t model_from_version(std::uint32_t vid, std::uint32_t pid, std::uint32_t version);

/// The model (25 to 44) that a bootloader's HID report descriptor carries,
/// or 0. `descriptor` ends at its first zero byte.
std::uint32_t model_from_descriptor(const unsigned char* descriptor);

/// True when the descriptor starts with the emulated-serial prefix.
bool is_seremu_descriptor(const unsigned char* descriptor);

/// The interface that carries the emulated serial port, or -1.
int seremu_interface(std::uint32_t vid, std::uint32_t pid);

/// "Kestro Amber" ... "Kestro Nova" for 25 to 38; "Kestro" otherwise.
const char* model_name(std::uint32_t model);

/// The USB configuration the board's program was built with ("Serial", ...).
const char* usb_type_name(std::uint32_t vid, std::uint32_t pid, std::uint32_t version);
