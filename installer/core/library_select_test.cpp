#include "library_select.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct FakeList : LibraryList {
  std::vector<std::pair<std::string, bool>> lines;
  mutable int reads = 0;
  int line_count() const override { return static_cast<int>(lines.size()); }
  const char* line_text(int line) const override {
    ++reads;
    return lines[static_cast<size_t>(line - 1)].first.c_str();
  }
  bool line_checked(int line) const override { return lines[static_cast<size_t>(line - 1)].second; }
};

class LibrarySelectTest : public ::testing::Test {
 protected:
  void SetUp() override { library_select_reset(); }
  void TearDown() override { library_select_reset(); }
};

TEST_F(LibrarySelectTest, WithoutAListEverythingIsSelected) {
  EXPECT_TRUE(library_selected("Foo"));
  EXPECT_TRUE(library_selected("NoSuchLibrary"));
  EXPECT_EQ(library_line("Foo"), 0);
}

TEST_F(LibrarySelectTest, OnlyCheckedListedLibrariesAreSelected) {
  FakeList list;
  list.lines = {{"Foo", true}, {"Bar", false}};
  library_list_attach(&list);
  EXPECT_TRUE(library_selected("Foo"));
  EXPECT_FALSE(library_selected("Bar"));
  EXPECT_FALSE(library_selected("Baz"));
  EXPECT_EQ(library_line("Bar"), 2);
  EXPECT_EQ(library_line("Baz"), 0);
  EXPECT_EQ(library_line("Fo"), 0);
}

TEST_F(LibrarySelectTest, ARepeatedQuestionIsAnsweredFromTheCache) {
  FakeList list;
  list.lines = {{"Foo", true}, {"Bar", false}, {"Qux", true}};
  library_list_attach(&list);
  EXPECT_EQ(library_line("Qux"), 3);
  const int reads = list.reads;
  EXPECT_EQ(library_line("Qux"), 3);
  EXPECT_TRUE(library_selected("Qux"));
  EXPECT_EQ(list.reads, reads);
  EXPECT_EQ(library_line("Baz"), 0);  // a miss keeps the cache
  const int after_miss = list.reads;
  EXPECT_EQ(library_line("Qux"), 3);
  EXPECT_EQ(list.reads, after_miss);
}

}  // namespace
