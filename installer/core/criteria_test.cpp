#include "criteria.h"

#include <gtest/gtest.h>

#include <string>

#include "error_report.h"
#include "run_program.h"

namespace {

// The pairs of the sample 1.8.19 folder's Base.class, as coreutils cksum gives them.
const std::string BASE_PAIRS = "1544890379 66872 2960089065 66832 2057911172 66792";
const std::string BASE = "processing/app/Base.class";
const std::string INTERNAL = " INTERNAL ERROR, This is never supposed to happen! :(\n";

class CriteriaTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new ScratchDir;
    ASSERT_EQ(run_program({source_path("scripts/make-sample-arduino"), "1.8.19", *scratch_ / "ide"}).exit_code, 0);
    write_file(*scratch_ / "ide/lib/broken.jar", "PK\x03\x04 not really a zip");
  }
  static void TearDownTestSuite() { delete scratch_; }

  static std::string folder() { return *scratch_ / "ide/"; }

  // Checks `text` against the sample folder as release 1.8.19.
  static std::pair<bool, std::string> check(const std::string& text) {
    StringValidationLog log;
    log_attach(&log);
    ReleaseNumber r;
    EXPECT_TRUE(release_from_name("1.8.19", r));
    bool pass = criteria_check(folder().c_str(), text.data(), text.size(), r);
    log_attach(nullptr);
    return {pass, log.text()};
  }

  static ScratchDir* scratch_;
};

ScratchDir* CriteriaTest::scratch_ = nullptr;

TEST_F(CriteriaTest, EachKindOfLineLogsItsResult) {
  struct Case {
    std::string line;
    bool pass;
    std::string log;
  } cases[] = {
      {"dir:lib", true, "    dir: \"lib\"  present\n"},
      {"dir:nothing", false, "    dir: \"nothing\"  missing\n"},
      {"file:arduino", true, "    file: \"arduino\"  present\n"},
      {"file:lib", true, "    file: \"lib\"  present\n"},  // a folder opens for reading
      {"file:lib/absent.jar", false, "    file: \"lib/absent.jar\"  missing\n"},
      {"zipfile:lib/pde.jar", true, "    zip file: \"lib/pde.jar\"  present\n"},
      {"zipfile:lib/broken.jar", false, "    zip file: \"lib/broken.jar\"  missing or corrupt\n"},
      {"zipfile:lib/none.jar", false, "    zip file: \"lib/none.jar\"  missing or corrupt\n"},
      {"version:lib/version.txt", true, "    version: \"lib/version.txt\"  version matches\n"},
      {"version:lib/none.txt", false, "    version: \"lib/none.txt\"  file missing\n"},
      {"zipcksum:lib/pde.jar " + BASE_PAIRS + " " + BASE, true,
       "    java: \"lib/pde.jar\" object: \"" + BASE + "\" checksum match\n"},
      {"zipcksum:lib/pde.jar   1 66872 1544890379 66872   " + BASE, true,
       "    java: \"lib/pde.jar\" object: \"" + BASE + "\" checksum match\n"},
      {"zipcksum:lib/pde.jar 1544890379 66871 " + BASE, false,
       "    java: \"lib/pde.jar\" object: \"" + BASE + "\" wrong size, unsupported Arduino version\n"},
      {"zipcksum:lib/pde.jar 1544890379 1 7 66872 " + BASE, false,
       "    java: \"lib/pde.jar\" object: \"" + BASE + "\" checksum mismatch, unsupported Arduino version\n"},
      {"zipcksum:lib/pde.jar " + BASE_PAIRS + " processing/app/Nothing.class", false,
       "    java: \"lib/pde.jar\" object: \"processing/app/Nothing.class\" missing\n"},
      {"zipcksum:lib/none.jar " + BASE_PAIRS + " " + BASE, false, "    java: \"lib/none.jar\" missing\n"},
      {"zipcksum:lib/pde.jar 1 2 3 " + BASE, false, "    java: \"lib/pde.jar\" " + INTERNAL},
      {"zipcksum:lib/pde.jar 1 " + BASE, false, "    java: \"lib/pde.jar\" " + INTERNAL},
      {"zipcksum:lib/pde.jar 1 2", false, "    java: \"lib/pde.jar\" " + INTERNAL},
      {"zipcksum:lib/pde.jar 1 2 ", false, "    java: \"lib/pde.jar\" " + INTERNAL},
      {"zipcksum:lib/pde.jar", false, "    java: \"lib/pde.jar\" " + INTERNAL},
      {"zipcksum:lib/pde.jar 1x 2 " + BASE, false, "    java: \"lib/pde.jar\" " + INTERNAL},
  };
  for (const Case& c : cases) {
    auto [pass, log] = check(c.line + "\n");
    EXPECT_EQ(pass, c.pass) << c.line;
    EXPECT_EQ(log, c.log) << c.line;
  }
}

TEST_F(CriteriaTest, ThirtyOneNumbersAreTheMost) {
  std::string numbers;
  for (int i = 0; i < 15; ++i) numbers += "1 2 ";
  // 30 numbers and the real pair: 32, one too many.
  auto [pass32, log32] = check("zipcksum:lib/pde.jar " + numbers + "1544890379 66872 " + BASE);
  EXPECT_FALSE(pass32);
  EXPECT_EQ(log32, "    java: \"lib/pde.jar\" " + INTERNAL);
  // 28 numbers and the real pair: 30 numbers fit.
  auto [pass30, log30] = check("zipcksum:lib/pde.jar " + numbers.substr(4) + "1544890379 66872 " + BASE);
  EXPECT_TRUE(pass30) << log30;
}

TEST_F(CriteriaTest, LinesRunInOrderAndStopAtTheFirstFailure) {
  auto [pass, log] = check("# comment\n\nversion:lib/version.txt\nfile:nothing\nfile:arduino");
  EXPECT_FALSE(pass);
  EXPECT_EQ(log, "    version: \"lib/version.txt\"  version matches\n    file: \"nothing\"  missing\n");
  auto [all, log2] = check(" file:nothing\nFILE:nothing\n#only comments");
  EXPECT_TRUE(all);
  EXPECT_EQ(log2, "");
}

TEST_F(CriteriaTest, VersionFileForms) {
  struct Case {
    const char* content;
    const char* release;
    bool pass;
    std::string log;
  } cases[] = {
      {"1.8.19\n", "1.8.19", true, " version matches\n"},
      {"1.8.5", "1.8.19", false, " wrong version: 1.8.5"},
      {"1.7.11\n", "1.8.19", false,
       " wrong version: 1.7.11\n    Arduino 1.7 releases of the other Arduino distribution are not supported.\n"},
      {"nightly-20220101\n", "1.8.19", false, " Nightly builds are not supported\n"},
      {"PR-beta1.9-BUILD-115\n", "1.9.0-beta115", true, " version matches\n"},
      {"PR-beta1.9-BUILD-115\n", "1.9.0", false, " wrong version: 1.9.0"},
      {"1.8\n", "1.8.19", false, " incorrect version format\n"},
      {"", "1.8.19", false, " incorrect version format\n"},
  };
  for (const Case& c : cases) {
    write_file(*scratch_ / "v/lib/version.txt", c.content);
    StringValidationLog log;
    log_attach(&log);
    ReleaseNumber r;
    ASSERT_TRUE(release_from_name(c.release, r));
    const std::string text = "version:lib/version.txt";
    bool pass = criteria_check((*scratch_ / "v/").c_str(), text.data(), text.size(), r);
    log_attach(nullptr);
    EXPECT_EQ(pass, c.pass) << c.content;
    EXPECT_EQ(log.text(), "    version: \"lib/version.txt\" " + c.log) << c.content;
  }
}

TEST_F(CriteriaTest, LongFieldsAreCutInTheLogOnly) {
  const std::string field(1500, 'f');
  auto [pass, log] = check("file:" + field);
  EXPECT_FALSE(pass);
  EXPECT_EQ(log, "    file: \"" + field.substr(0, 1022) + "\"  missing\n");
  auto [zpass, zlog] = check("zipcksum:" + field + " 1 2 x");
  EXPECT_EQ(zlog, "    java: \"" + field.substr(0, 1023) + "\" missing\n");
}

TEST(ReleaseNameTest, Forms) {
  ReleaseNumber r;
  ASSERT_TRUE(release_from_name("1.8.19", r));
  EXPECT_EQ((std::vector<int>{r.major, r.minor, r.patch, r.beta}), (std::vector<int>{1, 8, 19, 0}));
  ASSERT_TRUE(release_from_name("1.9.0-beta115", r));
  EXPECT_EQ((std::vector<int>{r.major, r.minor, r.patch, r.beta}), (std::vector<int>{1, 9, 0, 115}));
  EXPECT_FALSE(release_from_name("1.8", r));
  EXPECT_FALSE(release_from_name("latest", r));
}

}  // namespace
