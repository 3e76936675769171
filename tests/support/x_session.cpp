#include "x_session.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "run_program.h"

namespace {

using Clock = std::chrono::steady_clock;

void pause_s(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

}  // namespace

XServer::XServer() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    dup2(fds[1], 3);
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    // -noreset: a reset after the last client leaves refuses the next one
    // for a moment, and tests start one program after another.
    execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "800x600x24", "-nolisten", "tcp", "-noreset",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) return;
  display_ = ":" + number;
  setenv("DISPLAY", display_.c_str(), 1);
}

XServer::~XServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                                     const std::string& output_file) {
  pid_ = fork();
  if (pid_ == 0) {
    const int out = open(output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(out, 2);
    for (const auto& e : env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
}

BackgroundProgram::~BackgroundProgram() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

int BackgroundProgram::wait_exit(double seconds) {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  while (pid_ > 0) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (Clock::now() > deadline) return -1;
    pause_s(0.02);
  }
  return -1;
}

std::string find_window(const std::string& title, double seconds) {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  do {
    RunResult r = run_program({"/usr/bin/xdotool", "search", "--name", "^" + title + "$"});
    if (r.exit_code == 0 && !r.out.empty()) return r.out.substr(0, r.out.find('\n'));
    pause_s(0.05);
  } while (Clock::now() < deadline);
  return "";
}

void click(const std::string& window, int x, int y, int clicks) {
  run_program({"/usr/bin/xdotool", "mousemove", "--window", window, std::to_string(x), std::to_string(y), "click",
               "--repeat", std::to_string(clicks), "--delay", "60", "1"});
}

std::string screenshot(const std::string& window, const std::string& path) {
  ScratchDir scratch;
  const std::string file = path.empty() ? scratch / "shot.png" : path;
  run_program({bin_path("kestro_test_screenshot"), window, file});
  return read_file(file);
}

std::string settled_change(const std::string& window, const std::string& before, double seconds) {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  std::string last = screenshot(window);
  while (Clock::now() < deadline) {
    pause_s(0.1);
    std::string now = screenshot(window);
    if (now != before && now == last) return now;
    last = std::move(now);
  }
  return last;
}
