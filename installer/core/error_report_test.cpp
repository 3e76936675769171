#include "error_report.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ErrorReportTest : public ::testing::Test {
 protected:
  void SetUp() override { error_report_reset(); }
  void TearDown() override { error_report_reset(); }
};

TEST_F(ErrorReportTest, LastErrorKeepsOnlyTheNewestMessageCutAt511) {
  EXPECT_STREQ(last_error(), "");
  EXPECT_EQ(report_error("Unable to write \"%s\"", "a/b"), -1);
  EXPECT_EQ(report_error("second %d", 2), -1);
  EXPECT_STREQ(last_error(), "second 2");

  const std::string long_text(600, 'e');
  report_error("%s", long_text.c_str());
  EXPECT_EQ(std::string(last_error()), long_text.substr(0, 511));
  report_error("%s", long_text.substr(0, 511).c_str());
  EXPECT_EQ(std::string(last_error()), long_text.substr(0, 511));
}

TEST_F(ErrorReportTest, WithoutALogNothingIsWritten) {
  log_printf("Directory: %s\n", "/opt/arduino/");
  log_clear();
  StringValidationLog log;
  log_attach(&log);
  EXPECT_EQ(log.text(), "");  // nothing was kept from before the attach
}

TEST_F(ErrorReportTest, LogAppendsExactlyWhatWasFormatted) {
  StringValidationLog log;
  log_attach(&log);
  log_printf("old text\n");
  log_clear();
  log_printf("  Checking Arduino %s:\n", "1.8.19");
  log_printf(" wrong version: %d.%d.%d", 1, 8, 5);
  EXPECT_EQ(log.text(), "  Checking Arduino 1.8.19:\n wrong version: 1.8.5");
}

TEST_F(ErrorReportTest, OneLogCallIsCutAt4095) {
  StringValidationLog log;
  log_attach(&log);
  const std::string long_text(5000, 'x');
  log_printf("%s", long_text.c_str());
  EXPECT_EQ(log.text().size(), 4095u);
  log_clear();
  log_printf("%s", long_text.substr(0, 4095).c_str());
  EXPECT_EQ(log.text(), long_text.substr(0, 4095));
}

TEST_F(ErrorReportTest, AntivirusHintIsZeroOrOne) {
  EXPECT_EQ(antivirus_hint(), 0);
  set_antivirus_hint(5);
  EXPECT_EQ(antivirus_hint(), 1);
  set_antivirus_hint(0);
  EXPECT_EQ(antivirus_hint(), 0);
}

}  // namespace
