// These tests run in a mount namespace of their own, with tmpfs over
// /etc/udev/rules.d and /tmp (see the environment at the end).
#include "udev_check.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "payload.h"
#include "private_mounts.h"
#include "run_program.h"

namespace {

const std::string TEMP_COPY = "/tmp/00-kestro.rules";
const std::string INSTALLED = "/etc/udev/rules.d/00-kestro.rules";
constexpr uid_t SOMEONE_ELSE = 65534;

std::string reference() {
  const int i = payload_find("00-kestro.rules");
  return std::string(reinterpret_cast<const char*>(payload_data[i]), payload_sizes[i]);
}

std::string check() {
  const char* text = udev_check();
  return text ? text : "(passes)";
}

std::string copy_advice(const std::string& reason) {
  return "ERROR in /etc/udev/rules.d/00-kestro.rules\n\n" + reason +
         "\n\nTo fix this problem, run this command in a terminal:\n  sudo cp /tmp/00-kestro.rules /etc/udev/rules.d/";
}

std::string download_advice(const std::string& reason) {
  return "ERROR in /etc/udev/rules.d/00-kestro.rules\n\n" + reason +
         "\n\nPlease download this file from\n    https://kestrokit.example.org/00-kestro.rules\nand copy it to "
         "/etc/udev/rules.d/";
}

const std::string MISSING =
    "The file does not seem to exist, or directory permissions are blocking this installer from accessing "
    "/etc/udev/rules.d";

class UdevCheckTest : public testing::Test {
 protected:
  void SetUp() override {
    payload_init();
    empty_folder("/tmp");
    empty_folder("/etc/udev/rules.d");
  }
};

TEST_F(UdevCheckTest, WhatIsWrongWithTheInstalledFile) {
  std::string changed = reference();
  changed[changed.size() / 2] ^= 1;
  const struct {
    const char* what;
    std::function<void()> install;
    std::string result;
  } cases[] = {
      {"missing", [] {}, copy_advice(MISSING)},
      {"one byte changed", [&] { write_file(INSTALLED, changed); },
       copy_advice("The file does not match the known-good data")},
      {"an extra line", [] { write_file(INSTALLED, reference() + "# mine\n"); },
       copy_advice("The file does not match known-good data, wrong size")},
      {"a directory", [] { mkdir(INSTALLED.c_str(), 0755); }, copy_advice("00-kestro.rules is not a regular file")},
      {"a link to a missing file", [] { symlink("/etc/udev/rules.d/gone", INSTALLED.c_str()); }, copy_advice(MISSING)},
      {"identical", [] { write_file(INSTALLED, reference()); }, "(passes)"},
      {"a link to an identical file",
       [] {
         write_file("/etc/udev/rules.d/real.rules", reference());
         symlink("real.rules", INSTALLED.c_str());
       },
       "(passes)"},
  };
  for (const auto& c : cases) {
    SetUp();
    c.install();
    EXPECT_EQ(check(), c.result) << c.what;
    if (c.result != "(passes)") {
      EXPECT_EQ(read_file(TEMP_COPY), reference()) << c.what;
    }
  }
}

TEST_F(UdevCheckTest, TheCheckPassesOnceTheUserHasCopiedTheFile) {
  const mode_t old_mask = umask(077);
  EXPECT_EQ(check(), copy_advice(MISSING));
  umask(old_mask);
  struct stat st{};
  ASSERT_EQ(lstat(TEMP_COPY.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);  // readable by all whatever the umask
  EXPECT_EQ(st.st_uid, geteuid());
  // The command that the text gives.
  ASSERT_EQ(run_program({"/bin/cp", TEMP_COPY, "/etc/udev/rules.d/"}).exit_code, 0);
  EXPECT_EQ(check(), "(passes)");
  // Our own stale copy is replaced by a fresh one.
  write_file(TEMP_COPY, "stale");
  chmod(TEMP_COPY.c_str(), 0666);
  unlink(INSTALLED.c_str());
  EXPECT_EQ(check(), copy_advice(MISSING));
  EXPECT_EQ(read_file(TEMP_COPY), reference());
  ASSERT_EQ(lstat(TEMP_COPY.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(UdevCheckTest, SomethingPlantedInTmpIsNeitherFollowedNorReused) {
  const std::string victim = "/etc/udev/rules.d/99-victim.rules";
  const struct {
    const char* what;
    std::function<void()> plant;
  } cases[] = {
      {"a link to another file", [&] { symlink(victim.c_str(), TEMP_COPY.c_str()); }},
      {"a dangling link", [] { symlink("/etc/udev/rules.d/new.rules", TEMP_COPY.c_str()); }},
      {"another user's file",
       [] {
         write_file(TEMP_COPY, "RUN+=\"/bin/evil\"\n");
         chmod(TEMP_COPY.c_str(), 0666);
         ASSERT_EQ(chown(TEMP_COPY.c_str(), SOMEONE_ELSE, SOMEONE_ELSE), 0);
       }},
      {"a folder", [] { mkdir(TEMP_COPY.c_str(), 0777); }},
  };
  for (const auto& c : cases) {
    SetUp();
    write_file(victim, "victim\n");
    c.plant();
    struct stat before{};
    lstat(TEMP_COPY.c_str(), &before);
    const std::string planted = read_file(TEMP_COPY);
    EXPECT_EQ(check(), download_advice(MISSING)) << c.what;
    EXPECT_EQ(read_file(victim), "victim\n") << c.what;
    EXPECT_EQ(read_file(TEMP_COPY), planted) << c.what;
    struct stat after{};
    lstat(TEMP_COPY.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino) << c.what;
    struct stat none{};
    EXPECT_NE(stat("/etc/udev/rules.d/new.rules", &none), 0) << c.what;
  }
}

TEST_F(UdevCheckTest, AReadOnlyTmpGivesTheDownloadAdvice) {
  write_file(INSTALLED, "wrong\n");
  ASSERT_EQ(mount(nullptr, "/tmp", nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  EXPECT_EQ(check(), download_advice("The file does not match known-good data, wrong size"));
  ASSERT_EQ(mount(nullptr, "/tmp", nullptr, MS_REMOUNT, nullptr), 0);
}

class PrivateMounts : public testing::Environment {
 public:
  void SetUp() override {
    const std::string problem = enter_private_mounts();
    ASSERT_EQ(problem, "") << "these tests need a private mount namespace";
  }
};

const testing::Environment* const private_mounts = testing::AddGlobalTestEnvironment(new PrivateMounts);

}  // namespace
