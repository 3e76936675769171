#include "payload_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace payload_build {
namespace {

SourceEntry file(const std::string& path) {
  SourceEntry e;
  e.path = path;
  return e;
}

SourceEntry link(const std::string& path, const std::string& target) {
  SourceEntry e = file(path);
  e.is_link = true;
  e.target = target;
  return e;
}

TEST(PayloadOrderTest, ShuffledTreeSortsIntoTheInstallOrder) {
  // The order the installer relies on, written out by hand.
  const std::vector<SourceEntry> expected = {
      file("kestro"),
      file("kestro_ports"),
      file("kestro_reboot"),
      file("otherlibs/LINUX64/libusb.so"),
      file("00-kestro.rules"),
      file("arm/bin/arm-none-eabi-gcc"),
      file("arm/lib/libc.a"),
      file("avrkestro/bin/avr-gcc"),
      link("arm/arm-none-eabi/bin/gcc", "arm/bin/arm-none-eabi-gcc"),
      link("avrkestro/bin/gcc", "avrkestro/bin/avr-gcc"),
      file("cdcacm.cat"),
      file("cdcacm.inf"),
      file("1.8.13/LINUX64/directory_criteria.txt"),
      file("1.8.13/LINUX64/locations.txt"),
      file("1.8.13/LINUX64/arduino-core.jar/cc/arduino/Compiler.class"),
      file("1.8.13/LINUX64/pde.jar/processing/app/Base.class"),
      file("1.8.13/examples/Basics/Blink.ino"),
      file("1.8.13/keywords.txt"),
      file("1.8.13/libraries/Servo/Servo.h"),
      file("1.8.5/LINUX64/directory_criteria.txt"),
      file("1.8.5/LINUX64/locations.txt"),
      file("1.8.5/LINUX64/arduino-core.jar/a.class"),
      file("1.8.5/LINUX64/pde.jar/a.class"),
      file("examples/Kestro/Hello/Hello.ino"),
      file("cores/kestro3/main.cpp"),
      file("libraries/Servo.png"),
      file("libraries/Servo.txt"),
      file("libraries/Servo/Servo.cpp"),
      file("armlib/libarm_math.a"),
      file("final.png"),
      file("kestro_icon.png"),
      file("1.8.13/boards.txt"),
      file("1.8.13/platform.txt"),
      file("1.8.5/boards.txt"),
      file("1.8.5/platform.txt"),
      file("kestrokit.txt"),
  };
  std::vector<SourceEntry> shuffled = expected;
  std::mt19937 rng(1157);
  for (int round = 0; round < 20; ++round) {
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    std::sort(shuffled.begin(), shuffled.end(), payload_order_less);
    for (size_t i = 0; i < expected.size(); ++i)
      ASSERT_EQ(shuffled[i].name(), expected[i].name()) << "position " << i << ", round " << round;
  }
}

TEST(PayloadOrderTest, VersionFoldersKeepByteOrder) {
  // 1.8.13 .. 1.8.19 before 1.8.5 and 1.8.9: the validation log lists them so.
  EXPECT_TRUE(payload_order_less(file("1.8.19/LINUX64/locations.txt"), file("1.8.5/LINUX64/locations.txt")));
  EXPECT_TRUE(payload_order_less(file("1.8.5/x.java"), file("1.8.9/LINUX64/locations.txt")));
}

}  // namespace
}  // namespace payload_build
