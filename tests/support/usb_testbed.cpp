#include "usb_testbed.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <umockdev.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

#include "run_program.h"

namespace {

double seconds_now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

}  // namespace

UsbTestbed::UsbTestbed() {
  // The testbed goes below the build's scratch area, never the machine's /tmp.
  setenv("TMPDIR", KESTROKIT_SCRATCH_ROOT, 1);
  testbed_ = umockdev_testbed_new();
}

UsbTestbed::~UsbTestbed() {
  if (testbed_) g_object_unref(testbed_);
}

void UsbTestbed::add(const std::string& description) {
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, description.c_str(), &error)) {
    ADD_FAILURE() << "testbed: " << (error ? error->message : "?");
    if (error) g_error_free(error);
  }
}

void UsbTestbed::plug(const std::string& description) {
  // Adding a device to a testbed that has listeners sends its "add" event.
  add(description);
}

void UsbTestbed::unplug(const std::vector<std::string>& syspaths) {
  for (const std::string& s : syspaths) uevent(s, "remove");
  for (const std::string& s : syspaths) umockdev_testbed_remove_device(testbed_, s.c_str());
}

void UsbTestbed::uevent(const std::string& syspath, const char* action) {
  umockdev_testbed_uevent(testbed_, syspath.c_str(), action);
}

int UsbTestbed::dev_fd(const std::string& devnode) {
  return umockdev_testbed_get_dev_fd(testbed_, devnode.c_str());
}

std::string UsbTestbed::env() const {
  gchar* root = umockdev_testbed_get_root_dir(testbed_);
  std::string e = std::string("UMOCKDEV_DIR=") + root;
  g_free(root);
  return e;
}

ToolProcess::ToolProcess(const UsbTestbed& testbed, const std::vector<std::string>& argv) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) throw std::runtime_error("pipe");
  (void)testbed;  // the test runs under umockdev-wrapper; the child inherits it
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  in_ = in[1];
  out_fd_ = out[0];
  err_fd_ = err[0];
}

ToolProcess::~ToolProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  for (int fd : {in_, out_fd_, err_fd_})
    if (fd >= 0) close(fd);
}

bool ToolProcess::pump_until(const std::string* wanted, bool in_err, double seconds) {
  const double deadline = seconds_now() + seconds;
  for (;;) {
    if (wanted && (in_err ? err : out).find(*wanted) != std::string::npos) return true;
    const double left = deadline - seconds_now();
    if (left <= 0) return false;
    pollfd p[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
    if (poll(p, 2, static_cast<int>(left * 1000) + 1) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (!(p[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[65536];
      ssize_t n = read(p[i].fd, buf, sizeof buf);
      if (n > 0) (i == 0 ? out : err).append(buf, static_cast<size_t>(n));
      if (n == 0) {
        // The stream ended; keep polling the other one until the deadline.
        if (i == 0) out_fd_ = -1, close(p[i].fd);
        else err_fd_ = -1, close(p[i].fd);
        if (out_fd_ < 0 && err_fd_ < 0) return wanted && (in_err ? err : out).find(*wanted) != std::string::npos;
      }
    }
  }
}

bool ToolProcess::wait_for_output(const std::string& wanted, double seconds) { return pump_until(&wanted, false, seconds); }
bool ToolProcess::wait_for_error(const std::string& wanted, double seconds) { return pump_until(&wanted, true, seconds); }
void ToolProcess::pump(double seconds) { pump_until(nullptr, false, seconds); }

void ToolProcess::write_stdin(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(in_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
}

void ToolProcess::close_stdin() {
  if (in_ >= 0) close(in_);
  in_ = -1;
}

int ToolProcess::wait_exit(double seconds) {
  const double deadline = seconds_now() + seconds;
  int status = 0;
  while (seconds_now() < deadline) {
    pump(0.02);
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      pump(0.05);
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }
  return -1;
}

std::vector<std::string> json_objects(const std::string& stream) {
  RunOptions o;
  o.input = stream;
  RunResult r = run_program(
      {"/usr/bin/env", "python3", "-c",
       "import json,sys\n"
       "s=sys.stdin.read(); d=json.JSONDecoder(); i=0\n"
       "while True:\n"
       "    while i < len(s) and s[i].isspace(): i += 1\n"
       "    if i >= len(s): break\n"
       "    o, i = d.raw_decode(s, i)\n"
       "    print(json.dumps(o, sort_keys=True, separators=(',', ':')))\n"},
      o);
  EXPECT_EQ(r.exit_code, 0) << "not JSON: " << stream << r.err;
  std::vector<std::string> lines;
  std::istringstream in(r.out);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}
