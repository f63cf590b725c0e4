#include "smalltalk/env_expand.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct ExpandCase {
  const char* text;
  const char* expected;
};

class EnvExpand : public ::testing::TestWithParam<ExpandCase> {
 protected:
  void SetUp() override {
    setenv("LUMRA_T_DIR", "/tmp/x", 1);
    setenv("LUMRA_T_2", "two", 1);
    unsetenv("LUMRA_T_UNSET");
  }
};

TEST_P(EnvExpand, ReplacesReferences) {
  std::optional<std::string> out = expandEnvReferences(GetParam().text, 260);
  ASSERT_TRUE(out);
  EXPECT_EQ(*out, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnvExpand,
    ::testing::Values(ExpandCase{"plain/path", "plain/path"},
                      ExpandCase{"$LUMRA_T_DIR/src", "/tmp/x/src"},
                      ExpandCase{"$LUMRA_T_DIR", "/tmp/x"},
                      ExpandCase{"a$LUMRA_T_2.b", "atwo.b"},
                      ExpandCase{"$LUMRA_T_DIR$LUMRA_T_2", "/tmp/xtwo"},
                      ExpandCase{"$LUMRA_T_UNSET/x", "$LUMRA_T_UNSET/x"},
                      ExpandCase{"cost$/$", "cost$/$"}, ExpandCase{"", ""}));

TEST(EnvExpandLimit, TooLongResultFails) {
  setenv("LUMRA_T_LONG", std::string(200, 'a').c_str(), 1);
  EXPECT_TRUE(expandEnvReferences("$LUMRA_T_LONG", 200));
  EXPECT_FALSE(expandEnvReferences("$LUMRA_T_LONG/", 200));
  EXPECT_FALSE(expandEnvReferences("$LUMRA_T_LONG$LUMRA_T_LONG", 260));
}

}  // namespace
