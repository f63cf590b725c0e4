// The user's language as a locale name: the platform language identifier of
// the locale settings, then the fixed table of locale names the class library
// knows about. Everything else is "en_US".
#pragma once

#include <cstdint>
#include <string>

// The platform language identifier (primary language in the low 10 bits,
// sublanguage above) of a locale setting such as "de_AT.UTF-8@euro".
// 0 when the setting names no language we know ("C", "POSIX", empty).
std::uint16_t languageIdOfLocale(const std::string& setting);

// The locale name for a language identifier; "en_US" for every identifier
// the table does not list.
const char* localeNameOfLanguageId(std::uint16_t langId);

// The system default language: the first non-empty of LC_ALL, LC_MESSAGES
// and LANG, turned into its identifier (0 when none is set).
std::uint16_t systemDefaultLanguageId();

// localeNameOfLanguageId(systemDefaultLanguageId()).
const char* userLocaleName();
