#include "install_logic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "error_report.h"

namespace {

std::vector<int> routed;
int fail_at = -1;

int record_route(const char*, int index) {
  routed.push_back(index);
  return index == fail_at ? -1 : 1;
}

// The batches a run makes over `sizes`: the entries each one places.
std::vector<std::vector<int>> batches_of(const std::vector<std::uint32_t>& sizes) {
  std::vector<std::vector<int>> batches;
  int position = 0;
  for (;;) {
    routed.clear();
    const BatchResult r = place_batch("/x/", position, static_cast<int>(sizes.size()), sizes.data(), record_route);
    batches.push_back(routed);
    if (r != BatchResult::MORE) return batches;
  }
}

}  // namespace

TEST(InstallBatchTest, BatchesStopAtTwentyFiveEntriesOrAMegabyte) {
  fail_at = -1;
  // 60 small entries: 25, 25, 10.
  auto b = batches_of(std::vector<std::uint32_t>(60, 100));
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0].size(), 25u);
  EXPECT_EQ(b[0].front(), 0);
  EXPECT_EQ(b[1].front(), 25);
  EXPECT_EQ(b[2].size(), 10u);

  // A 5 MB entry right after a small one opens the next batch, alone.
  b = batches_of({10, 5'000'000, 10, 10});
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0], std::vector<int>({0}));
  EXPECT_EQ(b[1], std::vector<int>({1, 2, 3}));
  b = batches_of({10, 5'000'000, 5'000'000, 10});
  EXPECT_EQ(b, (std::vector<std::vector<int>>{{0}, {1}, {2, 3}}));

  // The first entry's own size does not count; the following ones up to
  // exactly 999,999 bytes stay in the batch.
  b = batches_of({2'000'000, 999'998, 1, 1});
  EXPECT_EQ(b, (std::vector<std::vector<int>>{{0, 1, 2}, {3}}));
}

TEST(InstallBatchTest, AFailureStopsTheRunAtItsEntry) {
  std::vector<std::uint32_t> sizes(10, 100);
  fail_at = 4;
  routed.clear();
  int position = 0;
  EXPECT_EQ(place_batch("/x/", position, 10, sizes.data(), record_route), BatchResult::FAILED);
  EXPECT_EQ(routed, std::vector<int>({0, 1, 2, 3, 4}));
  EXPECT_EQ(position, 4);
  fail_at = -1;
  routed.clear();
  position = 9;
  EXPECT_EQ(place_batch("/x/", position, 10, sizes.data(), record_route), BatchResult::DONE);
  EXPECT_EQ(position, 10);
}

TEST(InstallErrorTextTest, AdviceForUsersRootAndAntiVirus) {
  const std::string user = compose_error_text(false, "Unable to write \"/a/b.h\"", false);
  EXPECT_EQ(user,
            "Unable to write \"/a/b.h\"\n\nYou may need to run this installer as root for access to install all "
            "files.  To run as root, type:\n\n sudo ./kestrokit\n\nPlease make sure you do not have a copy of "
            "Arduino running, as this can block writing to certain files.\n");
  const std::string root = compose_error_text(true, "E", true);
  EXPECT_EQ(root,
            "E\n\nThe files or directories may have write permissions blocked or may be stored on a read-only disc "
            "or network drive.  Please try installing on a fresh copy of Arduino in your directory.\n\nPlease make "
            "sure you do not have a copy of Arduino running, as this can block writing to certain files.\n\n"
            "Anti-virus software can sometimes falsely interfere with writing this type of file.  If you are running "
            "an anti-virus program, you may need to temporarily disable it.\n");
}

TEST(InstallErrorTextTest, LongMessagesAreCutNeverOverflowed) {
  // The last error keeps 511 of 600 characters; the hints all still fit.
  report_error("%s", std::string(600, 'x').c_str());
  std::string text = compose_error_text(false, last_error(), true);
  EXPECT_EQ(text.substr(0, 513), std::string(511, 'x') + "\n\n");
  EXPECT_TRUE(text.ends_with("you may need to temporarily disable it.\n"));
  error_report_reset();
  // A longer text leaves the hints cut where the buffer ends.
  text = compose_error_text(true, std::string(900, 'y').c_str(), true);
  EXPECT_EQ(text.size(), INSTALL_ERROR_SIZE - 1);
  EXPECT_EQ(text.substr(0, 902), std::string(900, 'y') + "\n\n");
  EXPECT_EQ(text.find("Anti-virus"), std::string::npos);
}
