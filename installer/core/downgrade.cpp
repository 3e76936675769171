#include "downgrade.h"

#include <cstdio>
#include <memory>

#include "error_report.h"

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

bool downgrade_guard(const char* folder) {
  float own = 0;
  if (std::sscanf(KESTROKIT_VERSION, "%f", &own) != 1) return true;
  char path[INSTALLED_VERSION_PATH_SIZE];
  std::snprintf(path, sizeof path, "%slib/kestrokit.txt", folder);
  char line[INSTALLED_VERSION_PATH_SIZE];
  {
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path, "r"));
    if (!f || !std::fgets(line, sizeof line, f.get())) return true;
  }
  float installed = 0;
  if (std::sscanf(line, "%f", &installed) != 1) return true;
  if (static_cast<double>(installed) <= static_cast<double>(own) + 0.0001) return true;
  log_printf("     Kestrokit %.2f is installed in this copy of Arduino !!!\n", static_cast<double>(installed));
  log_printf("     This installer can not be used to downgrade, because it\n");
  log_printf("     is not able to anticipate and delete files added by future\n");
  log_printf("     versions.  To downgrade, please extract a fresh copy of\n");
  log_printf("     Arduino, then run this installer on the fresh copy.\n");
  return false;
}
