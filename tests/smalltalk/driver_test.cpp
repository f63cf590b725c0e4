#include <gtest/gtest.h>

#include "smalltalk/driver.h"

// Without "-c" the driver only records the options and returns.
TEST(Driver, WithoutBootOptionReturnsAtOnce) {
  char prog[] = "tolva";
  char name[] = "some.st";
  char* argv[] = {prog, name, nullptr};
  EXPECT_EQ(startScriptSystem(2, argv), 0);
}
