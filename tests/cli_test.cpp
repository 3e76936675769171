// The installer's command line, as a user meets it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "run_program.h"

namespace {

RunResult kestrokit(const std::string& arg, const std::string& cwd = "") {
  RunOptions o;
  o.cwd = cwd;
  return run_program({bin_path("kestrokit"), arg}, o);
}

TEST(CliTest, RefusesUnusableFolders) {
  ScratchDir scratch;
  write_file(scratch / "plain-file", "x");
  struct Case {
    std::string arg;
    std::string err;
  } cases[] = {
      {"--dir=", "no Arduino directory\n"},
      {"--dir=" + std::string(4095, 'a'), "Arduino directory name too long\n"},
      {"--dir=/nonexistent", "Unable to access directory: /nonexistent/\n"},
      {"--dir=/nonexistent/", "Unable to access directory: /nonexistent/\n"},
      {"--dir=" + scratch / "plain-file", "Unable to access directory: " + scratch / "plain-file/\n"},
  };
  for (const Case& c : cases) {
    RunResult r = kestrokit(c.arg);
    EXPECT_EQ(r.exit_code, 1) << c.arg.substr(0, 40);
    EXPECT_EQ(r.err, c.err) << c.arg.substr(0, 40);
    EXPECT_EQ(r.out, "");
  }
}

TEST(CliTest, A4094CharacterPathPassesTheLengthCheck) {
  const std::string path(4094, 'a');
  RunResult r = kestrokit("--dir=" + path);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Unable to access directory: " + path + "/\n");
}

TEST(CliTest, RelativeFolderIsTakenFromTheWorkingFolder) {
  ScratchDir scratch;
  RunResult r = kestrokit("--dir=missing/arduino", scratch.path());
  EXPECT_EQ(r.err, "Unable to access directory: missing/arduino/\n");
}

TEST(CliTest, TheFirstDirArgumentWinsAndOthersAreIgnored) {
  RunResult r = run_program({bin_path("kestrokit"), "-bg", "--dir=/nonexistent-1", "--dir=", "x"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Unable to access directory: /nonexistent-1/\n");
}

TEST(CliTest, AFolderThatIsNoSupportedArduinoIsRefused) {
  ScratchDir s;
  write_file(s / "ide/lib/version.txt", "1.8.19\n");
  for (const std::string& arg : {s / "ide", s / "ide/"}) {
    RunResult r = kestrokit("--dir=" + arg);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "Directory \"" + s / "ide/" +
                         "\" is not a supported Arduino\n"
                         " Arduino versions supported: 1.8.5, 1.8.9, 1.8.13, 1.8.15, 1.8.16, 1.8.19\n");
  }
}

TEST(CliTest, AFolderHoldingANewerKestrokitIsRefused) {
  ScratchDir s;
  ASSERT_EQ(run_program({source_path("scripts/make-sample-arduino"), "1.8.13", s / "ide"}).exit_code, 0);
  write_file(s / "ide/lib/kestrokit.txt", "1.58");
  RunResult r = kestrokit("--dir=" + s / "ide");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "Directory \"" + s / "ide/" + "\" is not a supported Arduino");
  EXPECT_FALSE(std::filesystem::exists(s / "ide/hardware"));
}

TEST(CliTest, WithoutDirTheWizardNeedsADisplay) {
  // Arguments that only look like --dir= choose the wizard as well.
  for (const char* arg : {"--dir", "-dir=/opt"}) {
    RunResult r = run_program({"/usr/bin/env", "-u", "DISPLAY", bin_path("kestrokit"), arg});
    EXPECT_EQ(r.exit_code, 1) << arg;
    EXPECT_TRUE(r.err.find("Can't open display") != std::string::npos) << arg << ": " << r.err;
  }
}

}  // namespace
