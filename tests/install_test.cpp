// The command-line install of the sample payload into sample Arduino folders.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "run_program.h"

namespace fs = std::filesystem;

namespace {

std::string staged(const std::string& name) { return read_file(source_path("staging/" + name)); }

unsigned mode_of(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

RunResult install(const std::string& folder, const char* umask = "022") {
  return run_program({"/bin/sh", "-c", std::string("umask ") + umask + "; exec \"$0\" \"$1\"", bin_path("kestrokit"),
                      "--dir=" + folder});
}

void make_sample(const std::string& release, const std::string& folder) {
  RunResult r = run_program({source_path("scripts/make-sample-arduino"), release, folder});
  ASSERT_EQ(r.exit_code, 0) << r.err;
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    make_sample("1.8.19", ide);
    write_file(ide + "/hardware/kestro/avr/cores/kestro4/libc.c", "old core file");
    RunResult r = install(ide, "077");  // a strict umask must not change the executables
    ASSERT_EQ(r.exit_code, 0) << r.err;
    ASSERT_EQ(r.err, "");
    ASSERT_EQ(r.out, "");
  }
  ScratchDir scratch;
  const std::string ide = scratch / "arduino-1.8.19";
  std::string at(const std::string& relative) const { return ide + "/" + relative; }
};

TEST_F(InstallTest, EveryRulePlacesItsEntries) {
  struct Case {
    const char* entry;  // staging name
    const char* dest;   // below the Arduino folder
    unsigned mode;      // 0755 for executables; 0 means "any non-executable"
  } cases[] = {
      {"1.8.19/boards.txt", "hardware/kestro/avr/boards.txt", 0},
      {"1.8.19/platform.txt", "hardware/kestro/avr/platform.txt", 0},
      {"kestro_reboot", "hardware/tools/kestro_reboot", 0755},
      {"mktinyfat", "hardware/tools/mktinyfat", 0755},
      {"KestroSecurity.jar", "tools/KestroSecurity/tool/KestroSecurity.jar", 0},
      {"otherlibs/LINUX64/libusb-0.1.so.4", "hardware/tools/libusb-0.1.so.4", 0},
      {"kestrokit.txt", "lib/kestrokit.txt", 0},
      {"arm/bin/arm-none-eabi-gcc", "hardware/tools/arm/bin/arm-none-eabi-gcc", 0755},
      {"arm/bin/arm-none-eabi-gcc", "hardware/tools/arm/bin/arm-none-eabi-gcc-5.4.1", 0755},  // link
      {"arm/bin/arm-none-eabi-as", "hardware/tools/arm/arm-none-eabi/bin/as", 0755},          // link
      {"arm/lib/gcc/arm-none-eabi/5.4.1/cc1plus", "hardware/tools/arm/lib/gcc/arm-none-eabi/5.4.1/cc1plus", 0755},
      {"arm/lib/gcc/arm-none-eabi/5.4.1/liblto_plugin.so", "hardware/tools/arm/lib/gcc/arm-none-eabi/5.4.1/liblto_plugin.so", 0755},
      {"arm/lib/gcc/arm-none-eabi/5.4.1/liblto_plugin.so.0.0.0",
       "hardware/tools/arm/lib/gcc/arm-none-eabi/5.4.1/liblto_plugin.so.0.0.0", 0755},
      {"arm/lib/gcc/arm-none-eabi/5.4.1/liblto_plugin.so.0.0.0",
       "hardware/tools/arm/lib/gcc/arm-none-eabi/5.4.1/liblto_plugin.so.0", 0},  // link, no suffix match
      {"arm/lib/gcc/arm-none-eabi/5.4.1/plugin/gengtype",
       "hardware/tools/arm/lib/gcc/arm-none-eabi/5.4.1/plugin/gengtype", 0755},
      {"arm/lib/gcc/arm-none-eabi/5.4.1/install-tools/fixinc.sh",
       "hardware/tools/arm/lib/gcc/arm-none-eabi/5.4.1/install-tools/fixinc.sh", 0755},
      {"arm/lib/gcc/arm-none-eabi/5.4.1/include/stdint.h",
       "hardware/tools/arm/lib/gcc/arm-none-eabi/5.4.1/include/stdint.h", 0},
      {"arm/arm-none-eabi/include/stdio.h", "hardware/tools/arm/arm-none-eabi/include/stdio.h", 0},
      {"avrkestro/bin/avr-gcc", "hardware/tools/avrkestro/bin/avr-gcc-4.8.1", 0755},
      {"avrkestro/avr/bin/as", "hardware/tools/avrkestro/avr/bin/as", 0755},
      {"avrkestro/libexec/gcc/avr/4.8.1/cc1", "hardware/tools/avrkestro/libexec/gcc/avr/4.8.1/cc1", 0755},
      {"avrkestro/libexec/gcc/avr/4.8.1/README", "hardware/tools/avrkestro/libexec/gcc/avr/4.8.1/README", 0},
      {"1.8.19/processing/app/KestroInfo.java", "src/processing/app/KestroInfo.java", 0},
      {"1.8.19/keywords.txt", "lib/keywords.txt", 0},
      {"1.8.19/keywords_kestro.txt", "lib/keywords_kestro.txt", 0},
      {"1.8.19/theme.txt", "lib/theme/theme.txt", 0},
      {"cores/keywords.txt", "hardware/kestro/avr/keywords.txt", 0},
      {"cores/kestro4/main.cpp", "hardware/kestro/avr/cores/kestro4/main.cpp", 0},
      {"1.8.19/libraries/SPI/SPI.h", "hardware/kestro/avr/libraries/SPI/SPI.h", 0},
      {"examples/Kestro/Tutorial1/Blink/Blink.pde", "examples/Kestro/Tutorial1/Blink/Blink.pde", 0},
      {"1.8.19/examples/01.Basics/Blink/Blink.ino", "examples/01.Basics/Blink/Blink.ino", 0},
      {"armlib/libarm_cortexM4l_math.a", "hardware/tools/arm/arm-none-eabi/lib/libarm_cortexM4l_math.a", 0},
      {"libraries/Encoder/Encoder.h", "hardware/kestro/avr/libraries/Encoder/Encoder.h", 0},
      {"libraries/OneWire/OneWire.h", "hardware/kestro/avr/libraries/OneWire/OneWire.h", 0},
  };
  // The programs that the build adds: the tools, and the loader peer as the
  // sample's stand-in Kestro Loader.
  for (const auto& [program, dest] : {std::pair{"kestro_loader_peer", "hardware/tools/kestro"},
                                      std::pair{"kestro_post_compile", "hardware/tools/kestro_post_compile"}}) {
    EXPECT_EQ(read_file(at(dest)), read_file(bin_path(program))) << dest;
    EXPECT_EQ(mode_of(at(dest)), 0755u) << dest;
  }
  for (const Case& c : cases) {
    EXPECT_EQ(read_file(at(c.dest)), staged(c.entry)) << c.dest;
    if (c.mode)
      EXPECT_EQ(mode_of(at(c.dest)), c.mode) << c.dest;
    else
      EXPECT_EQ(mode_of(at(c.dest)) & 0111, 0u) << c.dest;
  }
}

TEST_F(InstallTest, SkippedAndDeletedEntriesLeaveNoFile) {
  EXPECT_FALSE(fs::exists(at("hardware/kestro/avr/cores/kestro4/libc.c")));  // obsolete marker deleted it
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(ide)) {
    const std::string name = e.path().filename().string();
    for (const char* never : {"cdcacm.inf", "cdcacm.cat", "00-kestro.rules", "screenshot.png", "final.png",
                              "Encoder.txt", "Encoder.png", "Info.plist", "directory_criteria.txt", "locations.txt",
                              "pde.jar-1.54b4", "KestroInfo.class"})
      EXPECT_NE(name, never) << e.path();
  }
}

TEST_F(InstallTest, JarsHoldTheClassesAndStillValidate) {
  for (const char* jar : {"lib/pde.jar", "lib/arduino-core.jar"}) {
    RunResult t = run_program({"/usr/bin/unzip", "-tq", at(jar)});
    EXPECT_EQ(t.exit_code, 0) << jar << t.out << t.err;
  }
  RunResult base = run_program({"/usr/bin/unzip", "-p", at("lib/pde.jar"), "processing/app/Base.class"});
  EXPECT_EQ(base.out, staged("1.8.19/LINUX64/pde.jar/processing/app/Base.class"));
  RunResult added = run_program({"/usr/bin/unzip", "-p", at("lib/pde.jar"), "processing/app/KestroMenu.class"});
  EXPECT_EQ(added.out, staged("1.8.19/LINUX64/pde.jar/processing/app/KestroMenu.class"));
  RunResult kept = run_program({"/usr/bin/unzip", "-l", at("lib/pde.jar")});
  EXPECT_NE(kept.out.find("processing/app/helpers/Part299.class"), std::string::npos);

  // A second install validates the patched folder and succeeds again.
  RunResult again = install(ide);
  EXPECT_EQ(again.exit_code, 0) << again.err;
  EXPECT_EQ(run_program({"/usr/bin/unzip", "-p", at("lib/pde.jar"), "processing/app/Base.class"}).out, base.out);
}

TEST_F(InstallTest, AJvmLoadsTheCompiledClassFromThePatchedJar) {
  if (!fs::exists("/usr/bin/java")) GTEST_SKIP() << "no JVM on this machine";
  RunResult r = run_program({"/usr/bin/java", "-cp", at("lib/arduino-core.jar"), "processing.app.KestroInfo"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "Kestro add-on 1.57 for Arduino\n");
}

TEST(InstallReleasesTest, EachReleaseGetsItsOwnFiles) {
  for (const char* release : {"1.8.5", "1.8.13"}) {
    ScratchDir s;
    const std::string ide = s / "ide";
    make_sample(release, ide);
    RunResult r = install(ide);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(read_file(ide + "/examples/01.Basics/Blink/Blink.ino"),
              staged(std::string(release) + "/examples/01.Basics/Blink/Blink.ino"));
    RunResult base = run_program({"/usr/bin/unzip", "-p", ide + "/lib/pde.jar", "processing/app/Base.class"});
    EXPECT_EQ(base.out, staged(std::string(release) + "/LINUX64/pde.jar/processing/app/Base.class"));
  }
}

}  // namespace
