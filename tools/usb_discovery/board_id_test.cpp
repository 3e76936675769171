#include "board_id.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(BoardIdTest, SupportedRange) {
  EXPECT_FALSE(is_supported(0x16C0, 0x0473));
  EXPECT_TRUE(is_supported(0x16C0, 0x0474));
  EXPECT_TRUE(is_supported(0x16C0, 0x04D7));
  EXPECT_FALSE(is_supported(0x16C0, 0x04D8));
  EXPECT_FALSE(is_supported(0x16C1, 0x0483));
}

TEST(BoardIdTest, ModelsAndNames) {
  struct Case {
    std::uint32_t version, model;
    const char* name;
  } cases[] = {{0x0271, 27, "Kestro Cedar"}, {0x0273, 32, "Kestro Hazel"},  {0x0275, 33, "Kestro Iris"},
               {0x0279, 36, "Kestro Linden"}, {0x0280, 37, "Kestro Maple"}, {0x0281, 38, "Kestro Nova"},
               {0x0270, 0, "Kestro"},         {0x0282, 0, "Kestro"}};
  for (const Case& c : cases) {
    EXPECT_EQ(model_from_version(0x16C0, 0x0483, c.version), c.model) << std::hex << c.version;
    EXPECT_STREQ(model_name(c.model), c.name);
  }
  EXPECT_EQ(model_from_version(0x16C1, 0x0483, 0x0275), 0u);  // another vendor
  EXPECT_STREQ(model_name(25), "Kestro Amber");
  EXPECT_STREQ(model_name(30), "Kestro Fern");
  EXPECT_STREQ(model_name(39), "Kestro");
  EXPECT_STREQ(model_name(44), "Kestro");
}

TEST(BoardIdTest, Descriptors) {
  const unsigned char boot44[] = {0x06, 0x9C, 0xFF, 0x09, 0x2C, 0xA1, 0x88, 0x75, 0x08, 0x15, 0x00, 0};
  const unsigned char boot45[] = {0x06, 0x9C, 0xFF, 0x09, 0x2D, 0xA1, 0x88, 0x75, 0x08, 0x15, 0};
  const unsigned char boot25[] = {0x06, 0x9C, 0xFF, 0x09, 0x19, 0xA1, 0x88, 0x75, 0x08, 0x15, 0};
  const unsigned char short_boot[] = {0x06, 0x9C, 0xFF, 0x09, 0x19, 0xA1, 0x88, 0x75, 0x08, 0};
  const unsigned char seremu[] = {0x06, 0xC9, 0xFF, 0x09, 0x04, 0xA1, 0x5C, 0x75, 0x08, 0x15, 0};
  const unsigned char not_seremu[] = {0x06, 0xC9, 0xFF, 0x09, 0x04, 0xA1, 0x5C, 0x75, 0x07, 0};
  EXPECT_EQ(model_from_descriptor(boot44), 44u);
  EXPECT_EQ(model_from_descriptor(boot45), 0u);
  EXPECT_EQ(model_from_descriptor(boot25), 25u);
  EXPECT_EQ(model_from_descriptor(short_boot), 0u);
  EXPECT_EQ(model_from_descriptor(seremu), 0u);
  EXPECT_TRUE(is_seremu_descriptor(seremu));
  EXPECT_FALSE(is_seremu_descriptor(not_seremu));
  EXPECT_FALSE(is_seremu_descriptor(boot25));
  const unsigned char empty[] = {0};
  EXPECT_FALSE(is_seremu_descriptor(empty));
}

TEST(BoardIdTest, TypeNamesAndSeremuInterfaces) {
  struct Case {
    std::uint32_t pid, version;
    const char* name;
    int seremu;
  } cases[] = {
      {0x0476, 0x0100, "Everything", -1},  {0x0478, 0x0100, "Bootloader", -1},
      {0x0482, 0x0100, "Keyboard+Mouse+Joystick", 2}, {0x0483, 0x0280, "Serial", -1},
      {0x0484, 0x0100, "Unknown", 2},      {0x0485, 0x0211, "MIDIx4", 1},
      {0x0485, 0x0212, "MIDIx16", 1},      {0x0485, 0x0213, "MIDI", 1},
      {0x0486, 0x0100, "RawHID", 1},       {0x0489, 0x0211, "Serial+MIDIx4", -1},
      {0x048A, 0x0212, "Serial+MIDIx16+Audio", -1}, {0x048A, 0x0211, "Serial+MIDI+Audio", -1},
      {0x04D1, 0x0100, "MTPDisk", 0},      {0x04D2, 0x0100, "Audio", 0},
      {0x04D3, 0x0100, "Keyboard+TouchScreen", 1}, {0x04D4, 0x0100, "Keyboard+Mouse+TouchScreen", 2},
      {0x04D9, 0x0100, "FlightSim+Joystick", -1}, {0x04D6, 0x0100, "Unknown", -1},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(usb_type_name(0x16C0, c.pid, c.version), c.name) << std::hex << c.pid;
    EXPECT_EQ(seremu_interface(0x16C0, c.pid), c.seremu) << std::hex << c.pid;
  }
  EXPECT_EQ(seremu_interface(0x1234, 0x0486), -1);
}

}  // namespace
