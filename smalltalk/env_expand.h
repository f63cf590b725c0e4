// Environment references in path names: "$NAME" is replaced by the value of
// the variable NAME. A name is the longest run of letters, digits and
// underscores after the dollar sign, so "$HOME/src" expands HOME.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Expands every reference in text. A reference to a variable that is not set,
// or a dollar sign not followed by a name, is kept as written. nullopt when
// the result would be longer than maxLength characters.
std::optional<std::string> expandEnvReferences(const std::string& text, std::size_t maxLength);
