#include "downgrade.h"

#include <gtest/gtest.h>

#include <string>

#include "error_report.h"
#include "run_program.h"

namespace {

const std::string REFUSAL_TAIL =
    " is installed in this copy of Arduino !!!\n"
    "     This installer can not be used to downgrade, because it\n"
    "     is not able to anticipate and delete files added by future\n"
    "     versions.  To downgrade, please extract a fresh copy of\n"
    "     Arduino, then run this installer on the fresh copy.\n";

TEST(DowngradeTest, RefusesOnlyANewerInstalledVersion) {
  struct Case {
    const char* installed;  // nullptr: no file
    const char* shown;      // nullptr: allowed
  } cases[] = {
      {nullptr, nullptr},    {"1.57", nullptr}, {"1.56", nullptr},          {"1.100\n", nullptr},
      {"text\n", nullptr},   {"", nullptr},     {"1.5701", nullptr},        {"1.58", "1.58"},
      {"1.6\n", "1.60"},     {"2\n", "2.00"},   {"  1.58 and more", "1.58"},
  };
  for (const Case& c : cases) {
    ScratchDir s;
    const std::string folder = s.path() + "/";
    if (c.installed) write_file(folder + "lib/kestrokit.txt", c.installed);
    StringValidationLog log;
    log_attach(&log);
    bool allowed = downgrade_guard(folder.c_str());
    log_attach(nullptr);
    const char* what = c.installed ? c.installed : "(no file)";
    EXPECT_EQ(allowed, c.shown == nullptr) << what;
    EXPECT_EQ(log.text(), c.shown ? "     Kestrokit " + std::string(c.shown) + REFUSAL_TAIL : "") << what;
  }
}

}  // namespace
