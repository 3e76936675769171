#include "payload.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_program.h"

namespace {

const std::string FIXTURE = "tests/fixtures/unit_payload/";

class PayloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    payload_init();
    payload_reset_state();
  }
  std::string bytes(int i) {
    return std::string(reinterpret_cast<const char*>(payload_data[i]), payload_sizes[i]);
  }
};

TEST_F(PayloadTest, TablesFollowTheInstallOrderAndHoldTheTreeBytes) {
  const std::vector<std::string> names = {
      "kestro",
      "otherlibs/LINUX64/empty.so",
      "arm/bin/arm-none-eabi-gcc",
      "arm/bin/gcc --> arm/bin/arm-none-eabi-gcc",
      "1.8.19/LINUX64/directory_criteria.txt",
      "1.8.19/LINUX64/locations.txt",
      "2.0.0/LINUX64/directory_criteria.txt",
      "2.0.0/LINUX64/locations.txt",
      "kestrokit.txt",
  };
  ASSERT_EQ(PAYLOAD_COUNT, static_cast<int>(names.size()));
  for (int i = 0; i < PAYLOAD_COUNT; ++i) {
    EXPECT_EQ(payload_names[i], names[i]);
    std::string name = names[i];
    if (name.find(" --> ") != std::string::npos) {
      EXPECT_EQ(payload_sizes[i], 0u) << name;
      continue;
    }
    EXPECT_EQ(bytes(i), read_file(source_path(FIXTURE + name))) << name;
  }
  EXPECT_EQ(bytes(PAYLOAD_COUNT - 1), "1.57");
}

TEST_F(PayloadTest, EmptyEntriesPointAtTheNextEntry) {
  int empty = payload_find("otherlibs/LINUX64/empty.so");
  int link = payload_find("arm/bin/gcc --> arm/bin/arm-none-eabi-gcc");
  ASSERT_GE(empty, 0);
  ASSERT_GE(link, 0);
  EXPECT_EQ(payload_data[empty], payload_data[empty + 1]);
  EXPECT_EQ(payload_data[link], payload_data[link + 1]);
  for (int i = 1; i < PAYLOAD_COUNT; ++i)
    EXPECT_EQ(payload_data[i], payload_data[i - 1] + payload_sizes[i - 1]);
}

TEST_F(PayloadTest, FindMatchesWholeNamesOnly) {
  EXPECT_EQ(payload_find("kestro"), 0);
  EXPECT_EQ(payload_find("kestrokit.txt"), PAYLOAD_COUNT - 1);
  EXPECT_EQ(payload_find("kestrokit"), -1);        // proper prefix
  EXPECT_EQ(payload_find("1.8.19/LINUX64"), -1);   // a folder has no entry
  EXPECT_EQ(payload_find("KESTRO"), -1);           // case matters
  EXPECT_EQ(payload_find("absent.txt"), -1);
}

TEST_F(PayloadTest, MatchedVersionIsAPlainPrefixTest) {
  EXPECT_TRUE(in_matched_version("anything at all"));
  set_matched_version("1.8.1", 5);
  EXPECT_TRUE(in_matched_version("1.8.1/boards.txt"));
  EXPECT_TRUE(in_matched_version("1.8.13/boards.txt"));  // why no version folder is a prefix of another
  EXPECT_FALSE(in_matched_version("1.8.9/boards.txt"));
  EXPECT_FALSE(in_matched_version("1.8"));
  set_matched_version("", 0);
  EXPECT_STREQ(matched_version(), "");
  EXPECT_TRUE(in_matched_version("1.8.9/boards.txt"));

  const std::string long_name(80, '7');
  set_matched_version(long_name.c_str(), long_name.size());
  EXPECT_EQ(matched_version_length(), 63u);
  EXPECT_EQ(std::string(matched_version()), long_name.substr(0, 63));
}

TEST_F(PayloadTest, NameHelpers) {
  EXPECT_STREQ(starts_with("libraries/SPI/SPI.h", "libraries/"), "SPI/SPI.h");
  EXPECT_STREQ(starts_with("abc", "abc"), "");
  EXPECT_EQ(starts_with("lib", "libraries/"), nullptr);
  EXPECT_TRUE(ends_with("Base.class", ".class"));
  EXPECT_TRUE(ends_with(".class", ".class"));
  EXPECT_FALSE(ends_with("class", ".class"));  // shorter than the suffix
  EXPECT_FALSE(ends_with("Base.clas", ".class"));
  EXPECT_STREQ(join2("1.8.19", "/boards.txt"), "1.8.19/boards.txt");
}

TEST_F(PayloadTest, Join2CutsAt4095AndAcceptsItsOwnResult) {
  const std::string a(4000, 'a'), b(200, 'b');
  const char* r = join2(a.c_str(), b.c_str());
  EXPECT_EQ(std::string(r), a + std::string(95, 'b'));
  const char* first = join2("x/", "y");
  EXPECT_STREQ(join2(first, "/z"), "x/y/z");
  EXPECT_STREQ(join2("w/", join2("x", "y")), "w/xy");
}

}  // namespace
