// The unit payload carries no rules file: the check says so and stops there.
#include <gtest/gtest.h>

#include "payload.h"
#include "udev_check.h"

TEST(UdevCheckTest, APayloadWithoutRulesIsAnInternalError) {
  payload_init();
  udev_check_reset();
  EXPECT_STREQ(udev_check(),
               "An internal error has occurred, could not find a copy of the correct 00-kestro.rules UDEV rules file.");
}
