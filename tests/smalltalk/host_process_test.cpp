#include "smalltalk/host_process.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(HostProcess, LookupDropsDollarAndReadsHome) {
  ASSERT_NE(std::getenv("PATH"), nullptr);
  EXPECT_EQ(lookupEnvironment("$PATH"), lookupEnvironment("PATH"));
  EXPECT_EQ(lookupEnvironment("PATH"), std::string(std::getenv("PATH")));
  setenv("HOME", "/home/somebody", 1);
  EXPECT_EQ(lookupEnvironment("HOME"), "/home/somebody");
  unsetenv("LUMRA_T_NOT_SET");
  EXPECT_FALSE(lookupEnvironment("LUMRA_T_NOT_SET"));
  EXPECT_FALSE(lookupEnvironment("$"));
}

TEST(HostProcess, LangIsTheUserLocaleName) {
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  setenv("LANG", "de_AT.UTF-8", 1);
  EXPECT_EQ(lookupEnvironment("LANG"), "de_DE");
  EXPECT_EQ(lookupEnvironment("$LANG"), "de_DE");
  setenv("LANG", "C.UTF-8", 1);
}

TEST(HostProcess, SetAndPut) {
  EXPECT_TRUE(setEnvironment("LUMRA_T_SET", "v1"));
  EXPECT_EQ(lookupEnvironment("LUMRA_T_SET"), "v1");
  EXPECT_FALSE(setEnvironment("", "v"));
  EXPECT_FALSE(setEnvironment("A=B", "v"));
  EXPECT_EQ(putEnvironment("LUMRA_T_PUT=v2"), 0);
  EXPECT_EQ(lookupEnvironment("LUMRA_T_PUT"), "v2");
  EXPECT_EQ(putEnvironment("LUMRA_T_PUT"), -1);  // not an assignment
  EXPECT_EQ(lookupEnvironment("LUMRA_T_PUT"), "v2");
}

TEST(HostProcess, RandomStaysInFifteenBitsAndFollowsTheSeed) {
  seedRandom(7);
  int first = random15();
  int maxSeen = 0;
  for (int i = 0; i < 10000; ++i) {
    int r = random15();
    ASSERT_GE(r, 0);
    ASSERT_LE(r, 32767);
    maxSeen = std::max(maxSeen, r);
  }
  EXPECT_GT(maxSeen, 30000);  // the whole range is used
  seedRandom(7);
  EXPECT_EQ(random15(), first);
}

TEST(HostProcess, CommandStatus) {
  EXPECT_EQ(runCommand("true"), 0);
  EXPECT_EQ(runCommand("exit 3"), 3);
  EXPECT_EQ(runCommand("kill -9 $$"), -1);
}

}  // namespace
