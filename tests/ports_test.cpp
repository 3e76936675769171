// kestro_ports on simulated boards.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "loader_peer_process.h"
#include "run_program.h"
#include "usb_boards.h"
#include "usb_testbed.h"

namespace {

std::string serial_board(const std::string& port, const char* version = "0275", const char* tty_name = "ttyACM0") {
  return usb_device(port, "16c0", "0483", version) + interface(port, 0) + tty(port, 0, tty_name);
}

std::string present_old(const std::string& port, const std::string& label, const char* pid, const char* board) {
  return std::string("{\"address\":\"") + usb_syspath(port) + "\",\"boardName\":\"" + board +
         "\",\"iserial\":\"0\",\"label\":\"" + label + "\",\"online\":true,\"pid\":\"" + pid +
         "\",\"protocol\":\"Kestro\",\"vid\":\"16C0\"}";
}

std::string gone_old(const std::string& port) {
  return "{\"address\":\"" + usb_syspath(port) + "\",\"online\":false}";
}

// Each test in a network of its own, so that the tool's log flushes never
// meet a real loader.
class PortsTest : public ::testing::Test {
 protected:
  void SetUp() override { enter_private_network(); }
  UsbTestbed testbed;
};

TEST_F(PortsTest, ABoardPresentAtStartIsReportedAsItsNodesArrive) {
  testbed.add(serial_board("1-2"));
  ToolProcess ports(testbed, {bin_path("kestro_ports"), "-J"});
  ASSERT_TRUE(ports.wait_for_output("ttyACM0", 10)) << ports.out << ports.err;
  ports.pump(0.2);
  const std::vector<std::string> expected = {
      present_old("1-2", "/dev/bus/usb/001/002 (Kestro) Serial", "0483", "Kestro"),
      present_old("1-2", "/dev/bus/usb/001/002 (Kestro Iris) Serial", "0483", "Kestro Iris"),
      present_old("1-2", "/dev/ttyACM0 (Kestro Iris) Serial", "0483", "Kestro Iris"),
  };
  EXPECT_EQ(json_objects(ports.out), expected);

  ports.out.clear();
  testbed.unplug({tty_syspath("1-2", 0, "ttyACM0"), interface_syspath("1-2", 0), usb_syspath("1-2")});
  ASSERT_TRUE(ports.wait_for_output("false", 5)) << ports.err;
  EXPECT_EQ(json_objects(ports.out), std::vector<std::string>{gone_old("1-2")});
}

TEST_F(PortsTest, QuickListAndUsage) {
  RunResult none = run_program({bin_path("kestro_ports"), "-L"});
  EXPECT_EQ(none.exit_code, 0);
  EXPECT_EQ(none.out, "");
  testbed.add(serial_board("1-2"));
  testbed.add(usb_device("1-3", "0403", "6001", "0600", "bus/usb/001/003") + interface("1-3", 0) +
              tty("1-3", 0, "ttyUSB0"));  // another vendor's adapter
  RunResult r = run_program({bin_path("kestro_ports"), "-L"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, usb_syspath("1-2") + " /dev/ttyACM0 (Kestro Iris) Serial\n");

  RunResult usage = run_program({bin_path("kestro_ports"), "-x"});
  EXPECT_EQ(usage.exit_code, 0);
  EXPECT_EQ(usage.out, "");
  EXPECT_EQ(usage.err,
            "Usage:\n  kestro_ports -L       Print quick list of ports\n"
            "  kestro_ports          Monitor ports with JSON ver -1\n"
            "  kestro_ports -J       Monitor ports with JSON ver -1\n"
            "  kestro_ports -J2      Monitor ports with JSON ver 0\n");
}

TEST_F(PortsTest, PlugAndUnplugWithTheNewerJson) {
  ToolProcess ports(testbed, {bin_path("kestro_ports"), "-J2"});
  ports.pump(0.5);
  EXPECT_EQ(ports.out, "");
  testbed.plug(serial_board("1-2", "0281"));
  ASSERT_TRUE(ports.wait_for_output("ttyACM0", 10)) << ports.out << ports.err;
  ports.pump(0.2);
  std::vector<std::string> objects = json_objects(ports.out);
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[2],
            "{\"eventType\":\"add\",\"port\":{\"address\":\"" + usb_syspath("1-2") +
                "\",\"boardName\":\"Kestro Nova\",\"identificationPrefs\":{},\"label\":\"/dev/ttyACM0 Serial\","
                "\"online\":\"true\",\"prefs\":{\"productId\":\"0483\",\"serialNumber\":\"0\",\"vendorId\":\"16C0\"},"
                "\"protocol\":\"Kestro\",\"protocolLabel\":\"Kestro Ports\"}}");
  ports.out.clear();
  const auto t0 = std::chrono::steady_clock::now();
  testbed.unplug({tty_syspath("1-2", 0, "ttyACM0"), interface_syspath("1-2", 0), usb_syspath("1-2")});
  ASSERT_TRUE(ports.wait_for_output("remove", 5)) << ports.err;
  const double after = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_GT(after, 0.75);
  EXPECT_LT(after, 1.5);
  EXPECT_EQ(json_objects(ports.out),
            std::vector<std::string>{"{\"eventType\":\"remove\",\"port\":{\"address\":\"" + usb_syspath("1-2") +
                                     "\",\"online\":\"false\"}}"});
}

TEST_F(PortsTest, AQuickRebootIsNeverReportedAsGone) {
  testbed.add(serial_board("1-2"));
  ToolProcess ports(testbed, {bin_path("kestro_ports")});
  ASSERT_TRUE(ports.wait_for_output("ttyACM0", 10)) << ports.err;
  ports.out.clear();
  // Into the bootloader, whose HID descriptor names model 30, and back.
  testbed.unplug({tty_syspath("1-2", 0, "ttyACM0"), interface_syspath("1-2", 0), usb_syspath("1-2")});
  testbed.plug(usb_device("1-2", "16c0", "0478", "0275") + interface("1-2", 0) + hid("1-2", 0, bootloader_descriptor(30)));
  ASSERT_TRUE(ports.wait_for_output("Kestro Fern", 5)) << ports.out << ports.err;
  testbed.unplug({hid_syspath("1-2", 0), interface_syspath("1-2", 0), usb_syspath("1-2")});
  testbed.plug(serial_board("1-2", "0275", "ttyACM1"));  // the testbed keeps the old node's name taken
  ASSERT_TRUE(ports.wait_for_output("ttyACM1", 5));
  ports.pump(1.2);
  const std::vector<std::string> objects = json_objects(ports.out);
  for (const std::string& o : objects) EXPECT_EQ(o.find("\"online\":false"), std::string::npos) << o;
  EXPECT_EQ(objects.front(), present_old("1-2", "/dev/bus/usb/001/002 (Kestro Iris) Bootloader", "0478", "Kestro Iris"));
  EXPECT_NE(ports.out.find("/dev/bus/usb/001/002 (Kestro Fern) Bootloader"), std::string::npos);
  EXPECT_EQ(objects.back(), present_old("1-2", "/dev/ttyACM1 (Kestro Iris) Serial", "0483", "Kestro Iris"));
}

TEST_F(PortsTest, SeremuBoardsAndDevicesThatAreNoBoards) {
  ToolProcess ports(testbed, {bin_path("kestro_ports")});
  ports.pump(0.3);
  testbed.plug(usb_device("1-4", "16c0", "0477", "0100", "bus/usb/001/004"));   // wakebox
  testbed.plug(usb_device("1-5", "16c0", "0476", "9999", "bus/usb/001/005"));   // hubflipper
  testbed.plug(usb_device("1-6", "0403", "6001", "0600", "bus/usb/001/006") + interface("1-6", 0) +
               tty("1-6", 0, "ttyUSB0"));
  testbed.plug(usb_device("1-3", "16c0", "0486", "0276", "bus/usb/001/003") + interface("1-3", 0) +
               interface("1-3", 1) + hid("1-3", 1, SEREMU_DESCRIPTOR, "hidraw3"));
  ASSERT_TRUE(ports.wait_for_output("hidraw3", 10)) << ports.out << ports.err;
  ports.pump(0.3);
  const std::vector<std::string> objects = json_objects(ports.out);
  for (const std::string& o : objects) EXPECT_NE(o.find(usb_syspath("1-3")), std::string::npos) << o;
  EXPECT_EQ(objects.back(), present_old("1-3", "/dev/hidraw3 (Kestro Garnet) RawHID", "0486", "Kestro Garnet"));
  // Their removal finds no entry: nothing is ever reported for them.
  testbed.unplug({usb_syspath("1-4"), usb_syspath("1-5")});
  ports.out.clear();
  ports.pump(1.2);
  EXPECT_EQ(ports.out, "");
}

}  // namespace
