#include "cksum.h"

#include <gtest/gtest.h>

#include <string>

#include "run_program.h"

namespace {

std::uint32_t cksum_of(const std::string& bytes) {
  return cksum_finish(cksum_update(0, bytes.data(), bytes.size()), bytes.size());
}

TEST(CksumTest, KnownValues) {
  EXPECT_EQ(cksum_of("abc"), 1219131554u);
  EXPECT_EQ(cksum_of(""), 4294967295u);
}

TEST(CksumTest, AgreesWithCoreutilsOnRealBytes) {
  // Lengths that need one, two and three length bytes, and a whole jar.
  ScratchDir s;
  ASSERT_EQ(run_program({source_path("scripts/make-sample-arduino"), "1.8.19", s / "ide"}).exit_code, 0);
  const std::string jar = read_file(s / "ide/lib/pde.jar");
  ASSERT_GT(jar.size(), 100000u);
  for (size_t length : {size_t{1}, size_t{255}, size_t{256}, size_t{70000}, jar.size()}) {
    const std::string bytes = jar.substr(0, length);
    RunOptions o;
    o.input = bytes;
    RunResult r = run_program({"/usr/bin/cksum"}, o);
    ASSERT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, std::to_string(cksum_of(bytes)) + " " + std::to_string(length) + "\n");
    // Fed in uneven pieces, the value is the same.
    std::uint32_t v = 0;
    for (size_t at = 0; at < bytes.size(); at += 8191) v = cksum_update(v, bytes.data() + at, std::min<size_t>(8191, bytes.size() - at));
    EXPECT_EQ(cksum_finish(v, bytes.size()), cksum_of(bytes));
  }
}

}  // namespace
