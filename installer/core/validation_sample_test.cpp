// Folder validation against the sample payload and sample Arduino folders
// of every supported release.
#include <gtest/gtest.h>

#include <string>

#include "error_report.h"
#include "payload.h"
#include "run_program.h"
#include "validation.h"

namespace {

const char* const RELEASES[] = {"1.8.5", "1.8.9", "1.8.13", "1.8.15", "1.8.16", "1.8.19"};
// Payload order: byte order of the folder names.
const char* const PAYLOAD_ORDER[] = {"1.8.13", "1.8.15", "1.8.16", "1.8.19", "1.8.5", "1.8.9"};

class SampleValidationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    payload_init();
    scratch_ = new ScratchDir;
    for (const char* r : RELEASES)
      ASSERT_EQ(run_program({source_path("scripts/make-sample-arduino"), r, *scratch_ / r}).exit_code, 0);
  }
  static void TearDownTestSuite() { delete scratch_; }
  void SetUp() override { log_attach(&log); }
  void TearDown() override { log_attach(nullptr); }

  static ScratchDir* scratch_;
  StringValidationLog log;
};

ScratchDir* SampleValidationTest::scratch_ = nullptr;

TEST_F(SampleValidationTest, SupportedListIsInReleaseOrder) {
  EXPECT_STREQ(supported_versions(), "1.8.5, 1.8.9, 1.8.13, 1.8.15, 1.8.16, 1.8.19");
}

TEST_F(SampleValidationTest, EachSampleFolderIsItsOwnRelease) {
  const int codes[] = {10805, 10809, 10813, 10815, 10816, 10819};
  for (int i = 0; i < 6; ++i) {
    const std::string folder = *scratch_ / (std::string(RELEASES[i]) + "/");
    EXPECT_EQ(validate_folder(folder.c_str()), codes[i]) << RELEASES[i] << "\n" << log.text();
    EXPECT_STREQ(matched_version(), RELEASES[i]);
    // Every release tried before it fails at its version line.
    for (const char* earlier : PAYLOAD_ORDER) {
      if (std::string(earlier) == RELEASES[i]) break;
      const std::string failed = "  Checking Arduino " + std::string(earlier) +
                                 ":\n    version: \"lib/version.txt\"  wrong version: " + RELEASES[i] +
                                 "    Does not match Arduino " + earlier + "\n";
      EXPECT_NE(log.text().find(failed), std::string::npos) << failed << "\nin\n" << log.text();
    }
  }
}

TEST_F(SampleValidationTest, LogOfA1819FolderReadsExactly) {
  const std::string folder = *scratch_ / "1.8.19/";
  ASSERT_EQ(validate_folder(folder.c_str()), 10819);
  std::string expected = "Directory: " + folder + "\n";
  for (const char* earlier : {"1.8.13", "1.8.15", "1.8.16"})
    expected += std::string("  Checking Arduino ") + earlier +
                ":\n    version: \"lib/version.txt\"  wrong version: 1.8.19    Does not match Arduino " + earlier +
                "\n";
  expected +=
      "  Checking Arduino 1.8.19:\n"
      "    version: \"lib/version.txt\"  version matches\n"
      "    file: \"arduino\"  present\n"
      "    file: \"lib/jssc-2.8.0-arduino4.jar\"  present\n";
  for (const char* member : {"processing/app/Base.class", "processing/app/Editor.class",
                             "processing/app/SketchController.class"})
    expected += std::string("    java: \"lib/pde.jar\" object: \"") + member + "\" checksum match\n";
  for (const char* member : {"processing/app/BaseNoGui.class", "cc/arduino/Compiler.class",
                             "processing/app/debug/TargetPlatform.class"})
    expected += std::string("    java: \"lib/arduino-core.jar\" object: \"") + member + "\" checksum match\n";
  expected += "    Found Arduino 1.8.19\n";
  EXPECT_EQ(log.text(), expected);
}

TEST_F(SampleValidationTest, DowngradeGuardDecides) {
  const std::string folder = *scratch_ / "1.8.19/";
  struct Case {
    const char* installed;  // nullptr: no file
    int code;
  } cases[] = {{"1.58", 0}, {"1.57", 10819}, {"1.56", 10819}, {"text", 10819}, {nullptr, 10819}};
  for (const Case& c : cases) {
    std::remove((folder + "lib/kestrokit.txt").c_str());
    if (c.installed) write_file(folder + "lib/kestrokit.txt", c.installed);
    EXPECT_EQ(validate_folder(folder.c_str()), c.code) << (c.installed ? c.installed : "none");
    if (c.code == 0) {
      EXPECT_STREQ(matched_version(), "");
      EXPECT_NE(log.text().find("    Found Arduino 1.8.19\n"
                                "     Kestrokit 1.58 is installed in this copy of Arduino !!!\n"
                                "     This installer can not be used to downgrade, because it\n"
                                "     is not able to anticipate and delete files added by future\n"
                                "     versions.  To downgrade, please extract a fresh copy of\n"
                                "     Arduino, then run this installer on the fresh copy.\n"
                                "  Checking Arduino 1.8.5:\n"),
                std::string::npos)
          << log.text();
    }
  }
  std::remove((folder + "lib/kestrokit.txt").c_str());
}

TEST_F(SampleValidationTest, AFailureClearsAnEarlierMatch) {
  ASSERT_EQ(validate_folder((*scratch_ / "1.8.19/").c_str()), 10819);
  ScratchDir empty;
  EXPECT_EQ(validate_folder((empty.path() + "/").c_str()), 0);
  EXPECT_STREQ(matched_version(), "");
}

TEST_F(SampleValidationTest, StagingCriteriaAreWhatTheFixtureScriptComputes) {
  // The pairs come from coreutils cksum over the fixture's members; a change
  // to either side shows up here.
  for (const char* r : RELEASES) {
    RunResult got = run_program({source_path("scripts/make-sample-arduino"), "--criteria", r});
    ASSERT_EQ(got.exit_code, 0) << got.err;
    EXPECT_EQ(got.out, read_file(source_path(std::string("staging/") + r + "/LINUX64/directory_criteria.txt"))) << r;
  }
}

}  // namespace
