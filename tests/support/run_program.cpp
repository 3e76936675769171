#include "run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

long long now_ms() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

void close_fd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

RunResult run_program(const std::vector<std::string>& argv, const RunOptions& options) {
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe2(in_pipe, O_CLOEXEC) || pipe2(out_pipe, O_CLOEXEC) || pipe2(err_pipe, O_CLOEXEC))
    throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(126);
    for (const std::string& kv : options.env) putenv(const_cast<char*>(kv.c_str()));
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  int fds[3] = {in_pipe[1], out_pipe[0], err_pipe[0]};
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
  if (options.input.empty()) close_fd(fds[0]);

  RunResult r;
  size_t written = 0;
  const long long deadline = now_ms() + options.timeout_seconds * 1000LL;
  while (fds[1] >= 0 || fds[2] >= 0) {
    pollfd p[3];
    int n = 0;
    for (int i = 0; i < 3; ++i)
      if (fds[i] >= 0) p[n++] = {fds[i], static_cast<short>(i == 0 ? POLLOUT : POLLIN), 0};
    long long left = deadline - now_ms();
    if (left <= 0) {
      r.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    int ready = poll(p, n, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    for (int k = 0; k < n; ++k) {
      if (!p[k].revents) continue;
      int i = p[k].fd == fds[0] ? 0 : p[k].fd == fds[1] ? 1 : 2;
      if (i == 0) {
        ssize_t w = write(fds[0], options.input.data() + written, options.input.size() - written);
        if (w > 0) written += static_cast<size_t>(w);
        if (w < 0 && errno != EAGAIN && errno != EINTR) written = options.input.size();
        if (written == options.input.size()) close_fd(fds[0]);
        continue;
      }
      char buf[65536];
      ssize_t got = read(fds[i], buf, sizeof buf);
      if (got > 0)
        (i == 1 ? r.out : r.err).append(buf, static_cast<size_t>(got));
      else if (got == 0 || (errno != EINTR && errno != EAGAIN))
        close_fd(fds[i]);
    }
  }
  for (int& fd : fds) close_fd(fd);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  return r;
}

std::string bin_path(const std::string& name) { return std::string(KESTROKIT_BIN_DIR) + "/" + name; }

std::string source_path(const std::string& relative) {
  return std::string(KESTROKIT_SOURCE_DIR) + "/" + relative;
}

ScratchDir::ScratchDir() {
  std::string templ = std::string(KESTROKIT_SCRATCH_ROOT) + "/t.XXXXXX";
  fs::create_directories(KESTROKIT_SCRATCH_ROOT);
  if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed in " + templ);
  path_ = templ;
}

namespace {

// Tests may leave read-only folders behind; open each one up before it is
// entered, so that the removal can reach everything.
void make_removable(const fs::path& dir) {
  std::error_code ec;
  fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec))
    if (e.is_directory(ec) && !e.is_symlink(ec)) make_removable(e.path());
}

}  // namespace

ScratchDir::~ScratchDir() {
  make_removable(path_);
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void write_file(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
