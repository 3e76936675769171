// Folder validation against the unit payload: 1.8.19 with the sample
// criteria, then 2.0.0 whose criteria file holds only a comment.
#include "validation.h"

#include <gtest/gtest.h>

#include <string>

#include "error_report.h"
#include "payload.h"
#include "run_program.h"

namespace {

class ValidationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    payload_init();
    payload_reset_state();
    validation_reset();
    log_attach(&log);
  }
  void TearDown() override { log_attach(nullptr); }
  StringValidationLog log;
};

TEST_F(ValidationTest, SupportedListIsInReleaseOrder) { EXPECT_STREQ(supported_versions(), "1.8.19, 2.0.0"); }

TEST_F(ValidationTest, CommentOnlyCriteriaMatchAnyFolder) {
  ScratchDir s;
  const std::string folder = s.path() + "/";
  EXPECT_EQ(validate_folder(folder.c_str()), 20000);
  EXPECT_STREQ(matched_version(), "2.0.0");
  EXPECT_EQ(log.text(), "Directory: " + folder +
                            "\n"
                            "  Checking Arduino 1.8.19:\n"
                            "    version: \"lib/version.txt\"  file missing\n"
                            "    Does not match Arduino 1.8.19\n"
                            "  Checking Arduino 2.0.0:\n"
                            "    Found Arduino 2.0.0\n");
}

TEST_F(ValidationTest, RefusedByTheGuardEverywhereLeavesNoMatch) {
  ScratchDir s;
  const std::string folder = s.path() + "/";
  ASSERT_EQ(run_program({source_path("scripts/make-sample-arduino"), "1.8.19", s.path()}).exit_code, 0);
  EXPECT_EQ(validate_folder(folder.c_str()), 10819);
  write_file(folder + "lib/kestrokit.txt", "1.58");
  EXPECT_EQ(validate_folder(folder.c_str()), 0);
  EXPECT_STREQ(matched_version(), "");
  EXPECT_EQ(matched_version_length(), 0u);
  EXPECT_NE(log.text().find("    Found Arduino 1.8.19\n     Kestrokit 1.58 is installed"), std::string::npos);
  EXPECT_NE(log.text().find("    Found Arduino 2.0.0\n     Kestrokit 1.58 is installed"), std::string::npos);
}

}  // namespace
