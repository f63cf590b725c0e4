#include "smalltalk/locale_table.h"

#include <cstdlib>

namespace {

// Sublanguage numbers sit above the 10 bits of the primary language.
constexpr int kSublanguageShift = 10;
constexpr std::uint16_t kSublangDefault = 1;

constexpr std::uint16_t makeLangId(std::uint16_t primary, std::uint16_t sub) {
  return static_cast<std::uint16_t>((sub << kSublanguageShift) | primary);
}

// Primary language numbers of the platform identifiers.
struct Language {
  const char* code;
  std::uint16_t primary;
};
constexpr Language kLanguages[] = {
    {"cs", 0x05}, {"de", 0x07}, {"en", 0x09}, {"es", 0x0A}, {"fr", 0x0C},
    {"hu", 0x0E}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12}, {"nl", 0x13},
    {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18}, {"ru", 0x19}, {"sv", 0x1D},
    {"uk", 0x22}, {"zh", 0x04},
};

// Territories whose sublanguage is not the default one, per language.
struct Territory {
  const char* language;
  const char* territory;
  std::uint16_t sub;
};
constexpr Territory kTerritories[] = {
    {"de", "CH", 2},  {"de", "AT", 3},  {"de", "LU", 4},  {"de", "LI", 5},
    {"en", "GB", 2},  {"en", "AU", 3},  {"en", "CA", 4},  {"en", "NZ", 5},
    {"en", "IE", 6},  {"en", "ZA", 7},  {"en", "JM", 8},  {"en", "BZ", 10},
    {"en", "TT", 11}, {"en", "ZW", 12}, {"en", "PH", 13}, {"en", "IN", 16},
    {"en", "MY", 17}, {"en", "SG", 18},
    {"es", "ES", 3},  {"es", "MX", 2},  {"es", "GT", 4},  {"es", "CR", 5},
    {"es", "PA", 6},  {"es", "DO", 7},  {"es", "VE", 8},  {"es", "CO", 9},
    {"es", "PE", 10}, {"es", "AR", 11}, {"es", "EC", 12}, {"es", "CL", 13},
    {"es", "UY", 14}, {"es", "PY", 15}, {"es", "BO", 16}, {"es", "SV", 17},
    {"es", "HN", 18}, {"es", "NI", 19}, {"es", "PR", 20}, {"es", "US", 21},
    {"fr", "BE", 2},  {"fr", "CA", 3},  {"fr", "CH", 4},  {"fr", "LU", 5},
    {"fr", "MC", 6},  {"it", "CH", 2},  {"nl", "BE", 2},  {"pt", "BR", 1},
    {"pt", "PT", 2},  {"ro", "MD", 2},  {"ru", "MD", 2},  {"sv", "FI", 2},
    {"zh", "TW", 1},  {"zh", "CN", 2},  {"zh", "HK", 3},  {"zh", "SG", 4},
};

// The locale names of the class library and the identifiers that select them.
struct LocaleRow {
  const char* name;
  std::uint16_t ids[20];
};
constexpr LocaleRow kLocaleTable[] = {
    {"cs_CZ", {1029}},
    {"de_DE", {1031, 2055, 3079, 4103, 5127}},
    {"en_GB", {2057}},
    {"es_ES", {1034, 2058, 3082, 4106, 5130, 6154, 7178, 8202, 9226, 10250, 11274,
               12298, 13322, 14346, 15370, 16394, 17418, 18442, 19466, 20490}},
    {"fr_FR", {1036, 2060, 3084, 4108, 5132, 6156}},
    {"hu_HU", {1038}},
    {"it_IT", {1040, 2064}},
    {"nl_NL", {1043, 2067}},
    {"pl_PL", {1045}},
    {"pt_PT", {1046, 2070}},
    {"ro_RO", {1048}},
    {"ru_RU", {1049}},
    {"sv_SV", {1053, 2077}},
    {"uk_UA", {1058}},
};
constexpr const char* kDefaultLocaleName = "en_US";

// The environment variables that name the user's language, strongest first.
constexpr const char* kLocaleVariables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};

}  // namespace

std::uint16_t languageIdOfLocale(const std::string& setting) {
  // language[_TERRITORY][.codeset][@modifier]
  std::size_t end = setting.find_first_of(".@");
  std::string base = setting.substr(0, end);
  std::size_t sep = base.find_first_of("_-");
  std::string language = base.substr(0, sep);
  std::string territory = sep == std::string::npos ? "" : base.substr(sep + 1);

  for (const Language& lang : kLanguages) {
    if (language != lang.code) continue;
    for (const Territory& t : kTerritories) {
      if (language == t.language && territory == t.territory)
        return makeLangId(lang.primary, t.sub);
    }
    return makeLangId(lang.primary, kSublangDefault);
  }
  return 0;
}

const char* localeNameOfLanguageId(std::uint16_t langId) {
  for (const LocaleRow& row : kLocaleTable) {
    for (std::uint16_t id : row.ids) {
      if (id != 0 && id == langId) return row.name;
    }
  }
  return kDefaultLocaleName;
}

std::uint16_t systemDefaultLanguageId() {
  for (const char* name : kLocaleVariables) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return languageIdOfLocale(value);
  }
  return 0;
}

const char* userLocaleName() { return localeNameOfLanguageId(systemDefaultLanguageId()); }
