#include "library_list.h"

#include <gtest/gtest.h>

#include <string>

#include "library_select.h"

TEST(LibraryListTest, OptionalLibrariesAreListedOnceInFirstOrder) {
  const std::string long_name(256, 'L');
  const std::string longest(255, 'M');
  const std::string long_entry = "libraries/" + long_name + "/x.h";
  const std::string longest_entry = "libraries/" + longest + "/x.h";
  const char* names[] = {"libraries/Foo/a.h", "libraries/Bar/b.h", "libraries/Foo/c.h", "libraries/Foo.txt",
                         "1.8.19/libraries/Baz/d.h", "libraries//e.h", long_entry.c_str(), longest_entry.c_str(),
                         "hardware/libraries/Qux/f.h"};
  LibraryCheckBrowser list(0, 0, 100, 100);
  library_list_attach(&list);
  fill_library_list(&list, names, static_cast<int>(std::size(names)));
  ASSERT_EQ(list.line_count(), 3);
  EXPECT_STREQ(list.line_text(1), "Foo");
  EXPECT_STREQ(list.line_text(2), "Bar");
  EXPECT_EQ(list.line_text(3), longest);
  EXPECT_EQ(list.nchecked(), 3);

  // The engine asks the same list: an unchecked line is not installed.
  list.checked(2, 0);
  EXPECT_TRUE(library_selected("Foo"));
  EXPECT_FALSE(library_selected("Bar"));
  EXPECT_FALSE(library_selected("Baz"));
  list.check_none();
  EXPECT_FALSE(library_selected("Foo"));
  library_select_reset();
  EXPECT_TRUE(library_selected("Bar"));  // no list: everything is installed
}
