#include "smalltalk/env_expand.h"

#include <cctype>
#include <cstdlib>

namespace {

bool isNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

}  // namespace

std::optional<std::string> expandEnvReferences(const std::string& text, std::size_t maxLength) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '$') {
      out += text[i++];
      continue;
    }
    std::size_t end = i + 1;
    while (end < text.size() && isNameChar(text[end])) ++end;
    std::string name = text.substr(i + 1, end - i - 1);
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    out += value != nullptr ? std::string(value) : text.substr(i, end - i);
    i = end;
    if (out.size() > maxLength) return std::nullopt;
  }
  if (out.size() > maxLength) return std::nullopt;
  return out;
}
