// Times the validation of a sample Arduino 1.8.19 folder against the same
// checks done by a shell with unzip and cksum, in the same run.
//   kestro_bench_validation STAGING_DIR ARDUINO_FOLDER [RUNS]
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "payload.h"
#include "validation.h"

namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: kestro_bench_validation STAGING_DIR ARDUINO_FOLDER [RUNS]\n", stderr);
    return 2;
  }
  const std::string staging = argv[1];
  const std::string folder = std::string(argv[2]) + "/";
  const int runs = argc > 3 ? std::atoi(argv[3]) : 21;
  const std::string shell = std::string(KESTROKIT_SOURCE_DIR) + "/bench/validate_shell.sh";
  payload_init();

  std::vector<double> ours, yard;
  for (int i = 0; i < runs; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    int code = validate_folder(folder.c_str());
    ours.push_back(seconds_since(t0));
    if (code != 10819) {
      std::fprintf(stderr, "validation gave %d, not 10819\n", code);
      return 1;
    }
    t0 = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
      freopen("/dev/null", "w", stdout);
      execl("/bin/sh", "sh", shell.c_str(), staging.c_str(), folder.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    yard.push_back(seconds_since(t0));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fputs("the shell yardstick did not match the folder\n", stderr);
      return 1;
    }
  }
  const double a = median(ours), b = median(yard);
  std::printf("validation of a sample 1.8.19 folder, median of %d runs:\n", runs);
  std::printf("  kestrokit validate_folder: %.3f ms\n", a * 1e3);
  std::printf("  shell with unzip | cksum:  %.3f ms\n", b * 1e3);
  std::printf("  ratio (ours / yardstick):  %.4f   (target: at most 0.1)\n", a / b);
  return 0;
}
