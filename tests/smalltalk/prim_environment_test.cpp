#include <cstdlib>

#include "prim_test_support.h"

namespace {

// Keeps the locale variables of the test process as they were.
class EnvironmentPrims : public PrimWorld {
 protected:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::string saved[3];
  bool wasSet[3] = {};
  void SetUp() override {
    PrimWorld::SetUp();
    for (int i = 0; i < 3; ++i) {
      const char* v = std::getenv(kNames[i]);
      wasSet[i] = v != nullptr;
      saved[i] = v ? v : "";
      unsetenv(kNames[i]);
    }
  }
  void TearDown() override {
    for (int i = 0; i < 3; ++i) {
      if (wasSet[i]) setenv(kNames[i], saved[i].c_str(), 1);
      else unsetenv(kNames[i]);
    }
    PrimWorld::TearDown();
  }
  std::string lookup(const char* name) {
    ObjectRef r = prim(148, {num(1), str(name)});
    return r == nilObj ? "<nil>" : textOfObject(r);
  }
};

TEST_F(EnvironmentPrims, LangIsTheUsersLocaleName) {
  const struct { const char* setting; const char* name; } cases[] = {
      {"de_AT.UTF-8", "de_DE"}, {"pt_BR", "pt_PT"}, {"ja_JP.UTF-8", "en_US"},
      {"fr_CA", "fr_FR"},       {"C", "en_US"},     {"sv_FI", "sv_SV"}};
  for (auto c : cases) {
    setenv("LANG", c.setting, 1);
    EXPECT_EQ(lookup("LANG"), c.name) << c.setting;
    EXPECT_EQ(lookup("$LANG"), c.name) << c.setting;
  }
}

TEST_F(EnvironmentPrims, LookupSetAndPut) {
  EXPECT_EQ(lookup("$PATH"), lookup("PATH"));
  EXPECT_EQ(lookup("PATH"), std::getenv("PATH"));
  EXPECT_EQ(prim(148, {num(2), str("LUMRA_PRIM_VAR"), str("one")}), num(1));
  EXPECT_EQ(lookup("LUMRA_PRIM_VAR"), "one");
  EXPECT_EQ(prim(148, {num(2), str("A=B"), str("x")}), num(0));
  EXPECT_EQ(prim(148, {num(3), str("LUMRA_PRIM_PUT=two")}), num(0));
  EXPECT_EQ(lookup("LUMRA_PRIM_PUT"), "two");
  unsetenv("LUMRA_PRIM_UNSET");
  EXPECT_EQ(lookup("LUMRA_PRIM_UNSET"), "<nil>");
  EXPECT_EQ(prim(148, {num(1), num(5)}), nilObj);
  EXPECT_EQ(prim(148, {num(2), str("X"), nilObj}), nilObj);
}

TEST_F(EnvironmentPrims, OtherOperations) {
  EXPECT_EQ(prim(148, {num(4)}), nilObj);
  EXPECT_EQ(prim(148, {num(5), num(1)}), nilObj);
  EXPECT_EQ(prim(148, {num(5), num(-1000)}), nilObj);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(prim(148, {num(6)}), nilObj);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "error, fork not supported yet.\n");
  for (ObjectRef op : {num(0), num(7), nilObj, str("1")}) EXPECT_EQ(prim(148, {op, str("PATH")}), nilObj);
}

TEST_F(PrimWorld, RandomSeedCommandAndPlaceholder) {
  EXPECT_EQ(prim(55, {num(11)}), nilObj);
  std::vector<ObjectRef> first;
  for (int i = 0; i < 200; ++i) first.push_back(prim(3));
  prim(55, {num(11)});
  int distinct = 0;
  for (int i = 0; i < 200; ++i) {
    ObjectRef r = prim(3);
    EXPECT_EQ(r, first[i]);
    ASSERT_TRUE(r.isValue());
    EXPECT_GE(intOf(r), 0);
    EXPECT_LE(intOf(r), 63);
    distinct |= intOf(r) > 31 ? 2 : 1;
  }
  EXPECT_EQ(distinct, 3);  // both halves of the range occur
  EXPECT_EQ(prim(88, {str("exit 5")}), num(5));
  EXPECT_EQ(prim(88, {str("true")}), num(0));
  EXPECT_EQ(prim(88, {num(1)}), nilObj);
  EXPECT_EQ(prim(144, {num(1), num(0)}), trueObj);
  EXPECT_EQ(prim(144, {num(5), num(0)}), trueObj);
  EXPECT_EQ(prim(144, {num(6), num(0)}), nilObj);
  EXPECT_EQ(prim(144, {num(1), nilObj}), nilObj);
}

}  // namespace
