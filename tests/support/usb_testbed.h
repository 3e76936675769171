// USB boards for the tools' tests: an umockdev testbed, and tools run as
// children that the test talks to. The test itself runs under
// umockdev-wrapper, whose preloaded library the children inherit.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

/// A simulated /sys and /dev. Devices are described in umockdev's text
/// format ("P:", "N:", "E:", "A:", "H:" lines, blank-line separated).
class UsbTestbed {
 public:
  UsbTestbed();
  ~UsbTestbed();
  UsbTestbed(const UsbTestbed&) = delete;
  UsbTestbed& operator=(const UsbTestbed&) = delete;

  /// Adds the described devices (parents first) without any event.
  void add(const std::string& description);
  /// Adds them, which sends an "add" event for each, in order: a plug-in.
  void plug(const std::string& description);
  /// Sends "remove" events for `syspaths` in order (children first), then
  /// removes the devices: an unplug.
  void unplug(const std::vector<std::string>& syspaths);
  void uevent(const std::string& syspath, const char* action);
  /// The test's end of an emulated device node (the pty master of a tty,
  /// the far end of a socket for other nodes).
  int dev_fd(const std::string& devnode);
  /// The environment that lets a child under umockdev-wrapper see it.
  std::string env() const;

 private:
  UMockdevTestbed* testbed_ = nullptr;
};

/// A tool running in the testbed with pipes on its three streams.
class ToolProcess {
 public:
  ToolProcess(const UsbTestbed& testbed, const std::vector<std::string>& argv);
  ~ToolProcess();
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  /// Reads standard output (and error) until `out` contains `wanted` or
  /// `seconds` pass; returns whether it did.
  bool wait_for_output(const std::string& wanted, double seconds);
  bool wait_for_error(const std::string& wanted, double seconds);
  /// Keeps reading both streams for `seconds`.
  void pump(double seconds);
  void write_stdin(const std::string& bytes);
  void close_stdin();
  /// Waits for the exit; the status, or -1 when it had to be killed.
  int wait_exit(double seconds);

  std::string out, err;

 private:
  bool pump_until(const std::string* wanted, bool in_err, double seconds);
  pid_t pid_ = -1;
  int in_ = -1, out_fd_ = -1, err_fd_ = -1;
};

/// Splits concatenated JSON objects into one compact line each, through
/// python's json module, so that tests compare parsed values.
std::vector<std::string> json_objects(const std::string& stream);
