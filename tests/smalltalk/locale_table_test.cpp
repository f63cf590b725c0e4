#include "smalltalk/locale_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct LocaleCase {
  const char* setting;
  std::uint16_t langId;
  const char* localeName;
};

// Every language of the table, several territories of each, and settings that
// fall back to "en_US".
const LocaleCase kCases[] = {
    {"cs_CZ.UTF-8", 0x0405, "cs_CZ"}, {"de_DE.UTF-8", 0x0407, "de_DE"},
    {"de_CH", 0x0807, "de_DE"},       {"de_AT.UTF-8@euro", 0x0C07, "de_DE"},
    {"de_LU", 0x1007, "de_DE"},       {"de_LI", 0x1407, "de_DE"},
    {"en_GB.UTF-8", 0x0809, "en_GB"}, {"en_US.UTF-8", 0x0409, "en_US"},
    {"en_AU", 0x0C09, "en_US"},       {"es_ES", 0x0C0A, "es_ES"},
    {"es_MX", 0x080A, "es_ES"},       {"es_AR", 0x2C0A, "es_ES"},
    {"es_PR", 0x500A, "es_ES"},       {"es_US", 0x540A, "en_US"},
    {"fr_FR", 0x040C, "fr_FR"},       {"fr_BE", 0x080C, "fr_FR"},
    {"fr_CA", 0x0C0C, "fr_FR"},       {"fr_MC", 0x180C, "fr_FR"},
    {"hu_HU", 0x040E, "hu_HU"},       {"it_IT", 0x0410, "it_IT"},
    {"it_CH", 0x0810, "it_IT"},       {"nl_NL", 0x0413, "nl_NL"},
    {"nl_BE", 0x0813, "nl_NL"},       {"pl_PL", 0x0415, "pl_PL"},
    {"pt_BR.UTF-8", 0x0416, "pt_PT"}, {"pt_PT", 0x0816, "pt_PT"},
    {"ro_RO", 0x0418, "ro_RO"},       {"ro_MD", 0x0818, "en_US"},
    {"ru_RU", 0x0419, "ru_RU"},       {"sv_SE", 0x041D, "sv_SV"},
    {"sv_FI", 0x081D, "sv_SV"},       {"uk_UA", 0x0422, "uk_UA"},
    {"ja_JP.UTF-8", 0x0411, "en_US"}, {"de", 0x0407, "de_DE"},
    {"C", 0, "en_US"},                {"POSIX", 0, "en_US"},
    {"C.UTF-8", 0, "en_US"},          {"xx_YY", 0, "en_US"},
};

class LocaleTable : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleTable, SettingGivesIdentifierAndName) {
  const LocaleCase& c = GetParam();
  EXPECT_EQ(languageIdOfLocale(c.setting), c.langId) << c.setting;
  EXPECT_STREQ(localeNameOfLanguageId(languageIdOfLocale(c.setting)), c.localeName) << c.setting;
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, LocaleTable, ::testing::ValuesIn(kCases));

TEST(LocaleTable, EveryListedIdentifierOfSpanish) {
  for (std::uint16_t sub = 1; sub <= 20; ++sub)
    EXPECT_STREQ(localeNameOfLanguageId(static_cast<std::uint16_t>(sub << 10 | 0x0A)), "es_ES") << sub;
  EXPECT_STREQ(localeNameOfLanguageId(1033), "en_US");
  EXPECT_STREQ(localeNameOfLanguageId(3081), "en_US");
}

// Restores the three locale variables after each test.
class SystemLanguage : public ::testing::Test {
 protected:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::string saved[3];
  bool wasSet[3] = {};
  void SetUp() override {
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
  }
};

TEST_F(SystemLanguage, FirstNonEmptyVariableWins) {
  EXPECT_STREQ(userLocaleName(), "en_US");
  setenv("LANG", "de_AT.UTF-8", 1);
  EXPECT_STREQ(userLocaleName(), "de_DE");
  setenv("LC_MESSAGES", "pt_BR", 1);
  EXPECT_STREQ(userLocaleName(), "pt_PT");
  setenv("LC_ALL", "", 1);  // empty: skipped
  EXPECT_STREQ(userLocaleName(), "pt_PT");
  setenv("LC_ALL", "ja_JP", 1);
  EXPECT_STREQ(userLocaleName(), "en_US");
}

}  // namespace
