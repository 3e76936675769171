// Installs that fail part-way: each stops with its message and exit status 1,
// touches nothing outside the Arduino folder, and never leaves a jar
// half-written. Mounts happen in a private mount namespace of the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "run_program.h"

namespace fs = std::filesystem;

namespace {

class InstallFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunResult r = run_program({source_path("scripts/make-sample-arduino"), "1.8.19", ide});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    pde = read_file(ide + "/lib/pde.jar");
    core = read_file(ide + "/lib/arduino-core.jar");
  }

  // Runs `setup` (shell commands, $IDE set) and then kestrokit in a mount
  // namespace of its own.
  RunResult install_in_namespace(const std::string& setup) {
    const std::string script = "set -e; " + setup + "; set +e; \"$KESTROKIT\" \"--dir=$IDE\"";
    RunOptions o;
    o.env = {"IDE=" + ide, "KESTROKIT=" + bin_path("kestrokit")};
    return run_program({"/usr/bin/unshare", "-m", "/bin/sh", "-c", script}, o);
  }

  void expect_jars_untouched() {
    EXPECT_EQ(read_file(ide + "/lib/pde.jar"), pde);
    EXPECT_EQ(read_file(ide + "/lib/arduino-core.jar"), core);
  }

  void expect_only_the_folder_in(const std::string& parent) {
    int entries = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(parent)) {
      ++entries;
      EXPECT_EQ(e.path().string(), ide);
    }
    EXPECT_EQ(entries, 1);
  }

  ScratchDir scratch;
  const std::string ide = scratch / "ide";
  std::string pde, core;
};

TEST_F(InstallFaultTest, ReadOnlyToolsFolder) {
  fs::create_directories(ide + "/hardware/tools");
  RunResult r = install_in_namespace("mount --bind \"$IDE/hardware/tools\" \"$IDE/hardware/tools\"; "
                                     "mount -o remount,ro,bind \"$IDE/hardware/tools\"");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Error: Unable to write file \"hardware/tools/kestro\".\n");
  EXPECT_TRUE(fs::is_empty(ide + "/hardware/tools"));
  EXPECT_FALSE(fs::exists(ide + "/hardware/kestro"));
  expect_jars_untouched();
  expect_only_the_folder_in(scratch.path());
}

TEST_F(InstallFaultTest, ReadOnlyArduinoFolder) {
  RunResult r = install_in_namespace("mount --bind \"$IDE\" \"$IDE\"; mount -o remount,ro,bind \"$IDE\"");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Error: Unable to create directory \"" + ide + "/hardware/\".\n");
  expect_jars_untouched();
  expect_only_the_folder_in(scratch.path());
}

TEST_F(InstallFaultTest, JarCommitThatFailsLeavesTheJarAsItWas) {
  RunResult r = install_in_namespace("mount --bind \"$IDE/lib\" \"$IDE/lib\"; mount -o remount,ro,bind \"$IDE/lib\"");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Error: Unable to write changes to \"" + ide + "/lib/arduino-core.jar\"\n");
  expect_jars_untouched();
  EXPECT_FALSE(fs::exists(ide + "/lib/kestrokit.txt"));
  expect_only_the_folder_in(scratch.path());
}

TEST_F(InstallFaultTest, FullDiskStopsWithAnErrorAndWholeJars) {
  // A small file system, 100 KiB larger than what it starts with, over the
  // whole folder (the install runs out of space writing the tools) or over
  // lib/ only (it runs out committing the first jar). Each jar must end
  // whole: as it was, or fully written.
  struct Case {
    const char* mounted;  // below the folder
    const char* error;
  } cases[] = {{"", "Error: Error while writing to file \"hardware/tools/"},
               {"/lib", "Error: Unable to write changes to \""}};
  for (const Case& c : cases) {
    const std::string copy = scratch / "copy";
    fs::remove_all(copy);
    fs::copy(ide, copy, fs::copy_options::recursive);
    RunOptions o;
    o.env = {"IDE=" + ide, "COPY=" + copy, "PART=" + std::string(c.mounted), "KESTROKIT=" + bin_path("kestrokit")};
    const std::string script =
        "set -e; size=$(( $(du -sk \"$COPY$PART\" | cut -f1) + 100 ));"
        "rm -rf \"$COPY.keep\"; mkdir -p \"$COPY.keep\"; cp -a \"$COPY$PART/.\" \"$COPY.keep\";"
        "mount -t tmpfs -o size=${size}k tmpfs \"$COPY$PART\"; cp -a \"$COPY.keep/.\" \"$COPY$PART\"; set +e;"
        "\"$KESTROKIT\" \"--dir=$COPY\"; echo \"status $?\";"
        "for jar in pde arduino-core; do"
        "  if cmp -s \"$COPY/lib/$jar.jar\" \"$IDE/lib/$jar.jar\"; then echo \"$jar unchanged\";"
        "  elif unzip -tq \"$COPY/lib/$jar.jar\" >/dev/null; then echo \"$jar rewritten whole\";"
        "  else echo \"$jar damaged\"; fi; done";
    RunResult r = run_program({"/usr/bin/unshare", "-m", "/bin/sh", "-c", script}, o);
    EXPECT_NE(r.out.find("status 1\n"), std::string::npos) << c.mounted << r.out << r.err;
    EXPECT_EQ(r.err.rfind(c.error, 0), 0u) << c.mounted << ": " << r.err;
    EXPECT_EQ(r.out.find("damaged"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("arduino-core unchanged"), std::string::npos) << r.out;
  }
  expect_jars_untouched();
}

}  // namespace
