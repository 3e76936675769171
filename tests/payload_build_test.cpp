// The payload build, run on throwaway staging trees.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "run_program.h"

namespace fs = std::filesystem;

namespace {

// The smallest tree that the build accepts.
void make_sound_tree(const std::string& root) {
  write_file(root + "/kestro", "#!/bin/sh\n");
  write_file(root + "/arm/bin/arm-none-eabi-as", "as");
  write_file(root + "/1.8.19/LINUX64/directory_criteria.txt", "file:arduino\n");
  write_file(root + "/1.8.19/LINUX64/locations.txt", "TOOL_SUBDIR\t\t\"hardware/tools/\"\n");
  write_file(root + "/kestrokit.txt", "1.57");
}

RunResult build_payload(const std::string& tree, const std::string& out) {
  fs::create_directories(out);
  return run_program({bin_path("kestro_payload_build"), "--staging=" + tree, "--out=" + out});
}

TEST(PayloadBuildTest, SymbolicLinksBecomeLinkEntriesAfterTheirTargets) {
  ScratchDir s;
  const std::string tree = s / "tree";
  make_sound_tree(tree);
  fs::create_directories(tree + "/arm/arm-none-eabi/bin");
  fs::create_symlink("../../bin/arm-none-eabi-as", tree + "/arm/arm-none-eabi/bin/as");
  fs::create_symlink("../arm-none-eabi/bin/as", tree + "/arm/bin/as-chain");  // a link to a link
  RunResult r = build_payload(tree, s / "out");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string manifest = read_file(s / "out/manifest.txt");
  EXPECT_EQ(manifest.substr(0, manifest.find('\t', manifest.find('\t') + 1)), "0\t10");
  EXPECT_NE(manifest.find("2\t0\tarm/arm-none-eabi/bin/as --> arm/bin/arm-none-eabi-as\t(link)\n"),
            std::string::npos)
      << manifest;
  EXPECT_NE(manifest.find("3\t0\tarm/bin/as-chain --> arm/bin/arm-none-eabi-as\t(link)\n"), std::string::npos)
      << manifest;
  EXPECT_NE(manifest.find("6\t4\tkestrokit.txt\t"), std::string::npos) << manifest;
}

TEST(PayloadBuildTest, ReplacedClassesListedInTheirCriteriaPass) {
  ScratchDir s;
  const std::string tree = s / "tree";
  make_sound_tree(tree);
  write_file(tree + "/1.8.19/LINUX64/directory_criteria.txt",
             "zipcksum:lib/pde.jar 1 2 1219131554 3 processing/app/Base.class\n");
  write_file(tree + "/1.8.19/LINUX64/pde.jar/processing/app/Base.class", "abc");
  write_file(tree + "/1.8.19/LINUX64/arduino-core.jar/processing/app/Base.class", "other jar, not checked");
  write_file(tree + "/1.8.19/LINUX64/pde.jar/processing/app/Helper.class", "not checked");
  RunResult r = build_payload(tree, s / "out");
  EXPECT_EQ(r.exit_code, 0) << r.err;
}

TEST(PayloadBuildTest, BrokenTreesFailWithTheEntryAndTheRule) {
  struct Case {
    const char* what;
    void (*edit)(const std::string& tree);
    const char* message;
  } cases[] = {
      {"link before its target",
       [](const std::string& t) {
         write_file(t + "/cores/kestro3/main.cpp", "int main() {}\n");
         fs::create_symlink("../cores/kestro3/main.cpp", t + "/arm/main.cpp");
       },
       "arm/main.cpp --> cores/kestro3/main.cpp: link comes before its target"},
      {"version prefix",
       [](const std::string& t) {
         write_file(t + "/1.8.1/LINUX64/directory_criteria.txt", "");
         write_file(t + "/1.8.1/LINUX64/locations.txt", "");
       },
       "1.8.1/: version folder name is a prefix of 1.8.19/"},
      {"last entry not a plain file",
       [](const std::string& t) {
         fs::remove(t + "/kestrokit.txt");
         fs::create_symlink("kestro", t + "/kestrokit.txt");
       },
       "kestrokit.txt --> kestro: the last entry must be the plain file kestrokit.txt"},
      {"version folder without criteria",
       [](const std::string& t) { fs::remove(t + "/1.8.19/LINUX64/directory_criteria.txt"); },
       "1.8.19/LINUX64/directory_criteria.txt: missing; every version folder needs it as a plain file"},
      {"link to a folder", [](const std::string& t) { fs::create_symlink("bin", t + "/arm/bin2"); },
       "arm/bin2: link target arm/bin is not a regular file"},
      {"link leaving the tree", [](const std::string& t) { fs::create_symlink("../../etc/hosts", t + "/arm/hosts"); },
       "arm/hosts: link target ../../etc/hosts lies outside the staging tree"},
      {"absolute link", [](const std::string& t) { fs::create_symlink("/etc/hosts", t + "/arm/hosts"); },
       "arm/hosts: link target /etc/hosts is absolute"},
      {"fifo", [](const std::string& t) { mkfifo((t + "/arm/pipe").c_str(), 0644); },
       "arm/pipe: is not a regular file"},
      {"replaced class not in its criteria line",
       [](const std::string& t) {
         // "abc" has cksum 1219131554 and size 3; the line lists other pairs only.
         write_file(t + "/1.8.19/LINUX64/directory_criteria.txt",
                    "zipcksum:lib/pde.jar 1219131554 4 7 3 processing/app/Base.class\n");
         write_file(t + "/1.8.19/LINUX64/pde.jar/processing/app/Base.class", "abc");
       },
       "1.8.19/LINUX64/pde.jar/processing/app/Base.class: the class as installed (1219131554 3) is not a pair "
       "of its line in 1.8.19/LINUX64/directory_criteria.txt"},
  };
  for (const Case& c : cases) {
    ScratchDir s;
    const std::string tree = s / "tree";
    make_sound_tree(tree);
    c.edit(tree);
    RunResult r = build_payload(tree, s / "out");
    EXPECT_EQ(r.exit_code, 1) << c.what;
    EXPECT_NE(r.err.find(std::string("kestro_payload_build: ") + c.message), std::string::npos)
        << c.what << ":\n" << r.err;
    EXPECT_FALSE(fs::exists(s / "out/payload_tables.cpp")) << c.what;
  }
}

TEST(PayloadBuildTest, AssemblerRefusesAnEntryThatChangedSizeAfterTheScan) {
  ScratchDir s;
  const std::string tree = s / "tree";
  make_sound_tree(tree);
  ASSERT_EQ(build_payload(tree, s / "out").exit_code, 0);
  RunResult ok = run_program({"/usr/bin/cc", "-c", s / "out/payload_blob.S", "-o", s / "blob.o"});
  EXPECT_EQ(ok.exit_code, 0) << ok.err;
  write_file(tree + "/arm/bin/arm-none-eabi-as", "as grew");
  RunResult r = run_program({"/usr/bin/cc", "-c", s / "out/payload_blob.S", "-o", s / "blob.o"});
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.err.find("payload entry 1 (arm/bin/arm-none-eabi-as) no longer has its scanned size of 2"),
            std::string::npos)
      << r.err;
}

// The whole build, as a vendor runs it, through the throwaway-installer script.
RunResult build_installer(const std::string& tree, const std::string& build) {
  RunOptions o;
  o.timeout_seconds = 900;
  return run_program({"/bin/sh", source_path("scripts/build-installer"), tree, build}, o);
}

TEST(PayloadBuildTest, VendorTreeBuildsAnInstallerCarryingIt) {
  ScratchDir s;
  const std::string tree = s / "tree";
  make_sound_tree(tree);
  write_file(tree + "/1.8.19/LINUX64/locations.txt", read_file(source_path("staging/1.8.19/LINUX64/locations.txt")));
  write_file(tree + "/1.8.19/LINUX64/pde.jar/kestro/Extra.class", "class bytes");
  RunResult r = build_installer(tree, s / "build");
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  const std::string manifest = read_file(s / "build/installer/kestrokit_payload/manifest.txt");
  EXPECT_NE(manifest.find("\tkestro\t" + fs::canonical(tree + "/kestro").string()), std::string::npos) << manifest;

  // Its criteria ask only for an `arduino` file, so a folder without jars
  // validates, and the install stops at the first class.
  write_file(s / "ide/arduino", "");
  RunResult run = run_program({s / "build/bin/kestrokit", "--dir=" + s / "ide"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err, "Error: Unable to open file \"" + s / "ide/lib/pde.jar" + "\".\n");
  EXPECT_EQ(read_file(s / "ide/hardware/tools/kestro"), "#!/bin/sh\n");  // placed before the failure

  // A broken tree now fails the same build, naming the entry and the rule.
  fs::remove(tree + "/1.8.19/LINUX64/locations.txt");
  r = build_installer(tree, s / "build");
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE((r.out + r.err).find("1.8.19/LINUX64/locations.txt: missing; every version folder needs it"),
            std::string::npos)
      << r.out << r.err;
}

}  // namespace
