#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "smalltalk/lexer.h"

namespace {

struct Tok {
  TokenKind kind;
  std::string text;
  double value = 0;  // integer, character or float value

  bool operator==(const Tok& o) const {
    return kind == o.kind && text == o.text && value == o.value;
  }
};

std::ostream& operator<<(std::ostream& os, const Tok& t) {
  return os << "{" << static_cast<int>(t.kind) << " '" << t.text << "' " << t.value << "}";
}

std::vector<Tok> lexAll(const std::string& source) {
  Lexer lx;
  lx.start(source.c_str());
  std::vector<Tok> out;
  while (lx.next() != TokenKind::EndOfInput) {
    double v = lx.kind == TokenKind::Float ? lx.floatValue : static_cast<double>(lx.intValue);
    out.push_back({lx.kind, lx.text, v});
  }
  return out;
}

using K = TokenKind;

struct LexCase {
  const char* source;
  std::vector<Tok> tokens;
};

class LexerCases : public ::testing::TestWithParam<LexCase> {};

TEST_P(LexerCases, ProducesTokens) {
  EXPECT_EQ(lexAll(GetParam().source), GetParam().tokens) << "source: " << GetParam().source;
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, LexerCases,
    ::testing::Values(
        LexCase{"foo bar1", {{K::Name, "foo"}, {K::Name, "bar1"}}},
        LexCase{"ifTrue: x", {{K::Keyword, "ifTrue:"}, {K::Name, "x"}}},
        LexCase{"x:=1", {{K::Keyword, "x:"}, {K::Binary, "="}, {K::Integer, "1", 1}}},
        LexCase{"x := 1", {{K::Name, "x"}, {K::Binary, ":="}, {K::Integer, "1", 1}}},
        LexCase{"a_b", {{K::Name, "a"}, {K::Binary, "_"}, {K::Name, "b"}}},
        // Radix numbers; the digits are not checked against the radix.
        LexCase{"16r1F", {{K::Integer, "161F", 31}}},
        LexCase{"2r102", {{K::Integer, "2102", 6}}},
        LexCase{"16rFF)", {{K::Integer, "16FF", 255}, {K::Closing, ")"}}},
        LexCase{"16rff", {{K::Integer, "16ff", 255}}},
        // The split between small integers and floats.
        LexCase{"1073741823", {{K::Integer, "1073741823", 1073741823}}},
        LexCase{"1073741824", {{K::Float, "1073741824", 1073741824.0}}},
        LexCase{"3000000000", {{K::Float, "3000000000", 3000000000.0}}},
        // Exponents and the "e" given back.
        LexCase{"2e3", {{K::Float, "2e3", 2000.0}}},
        LexCase{"2e-2", {{K::Float, "2e-2", 0.02}}},
        LexCase{"2e ", {{K::Integer, "2", 2}, {K::Name, "e"}}},
        LexCase{"2e-x", {{K::Integer, "2", 2}, {K::Name, "e"}, {K::Binary, "-"}, {K::Name, "x"}}},
        LexCase{"2E3", {{K::Integer, "2", 2}, {K::Name, "E3"}}},
        LexCase{"3.14", {{K::Float, "3.14", 3.14}}},
        LexCase{"1.5e2", {{K::Float, "1.5e2", 150.0}}},
        LexCase{"3.foo", {{K::Integer, "3", 3}, {K::Closing, "."}, {K::Name, "foo"}}},
        LexCase{"3.", {{K::Integer, "3", 3}, {K::Closing, "."}}},
        LexCase{"-5", {{K::Binary, "-"}, {K::Integer, "5", 5}}},
        // Characters, including blanks and the end of input.
        LexCase{"$a", {{K::Character, "", 'a'}}},
        LexCase{"$ ", {{K::Character, "", ' '}}},
        LexCase{"$'", {{K::Character, "", '\''}}},
        // Symbols run to the stop characters.
        LexCase{"#at:put:", {{K::Symbol, "at:put:"}}},
        LexCase{"#+", {{K::Symbol, "+"}}},
        LexCase{"#a(b", {{K::Symbol, "a(b"}}},
        LexCase{"#foo.", {{K::Symbol, "foo"}, {K::Closing, "."}}},
        LexCase{"#(1)", {{K::ArrayBegin, ""}, {K::Integer, "1", 1}, {K::Closing, ")"}}},
        // Strings with doubled quotes; an unterminated string ends at the end.
        LexCase{"'it''s'", {{K::String, "it's"}}},
        LexCase{"''", {{K::String, ""}}},
        LexCase{"'open", {{K::String, "open"}}},
        // Comments and blanks produce no token.
        LexCase{"a \"note\" b", {{K::Name, "a"}, {K::Name, "b"}}},
        LexCase{"a\t\n\r b \"open", {{K::Name, "a"}, {K::Name, "b"}}},
        // Closings and the one- and two-character binary tokens.
        LexCase{").;]", {{K::Closing, ")"}, {K::Closing, "."}, {K::Closing, ";"}, {K::Closing, "]"}}},
        LexCase{"<= ~= == <- ^-",
                {{K::Binary, "<="}, {K::Binary, "~="}, {K::Binary, "=="}, {K::Binary, "<-"},
                 {K::Binary, "^-"}}},
        LexCase{"^x", {{K::Binary, "^"}, {K::Name, "x"}}},
        LexCase{":x", {{K::Binary, ":"}, {K::Name, "x"}}},
        LexCase{"| x", {{K::Binary, "|"}, {K::Name, "x"}}},
        LexCase{"((", {{K::Binary, "("}, {K::Binary, "("}}},
        LexCase{"[:", {{K::Binary, "["}, {K::Binary, ":"}}},
        LexCase{"+(", {{K::Binary, "+"}, {K::Binary, "("}}},
        LexCase{">)", {{K::Binary, ">"}, {K::Closing, ")"}}}));

TEST(Lexer, EndOfInputRepeatsWithoutMoving) {
  Lexer lx;
  lx.start("x");
  EXPECT_EQ(lx.next(), TokenKind::Name);
  EXPECT_EQ(lx.next(), TokenKind::EndOfInput);
  EXPECT_EQ(lx.next(), TokenKind::EndOfInput);
  EXPECT_EQ(lx.nextChar(), 0);
  EXPECT_EQ(lx.nextChar(), 0);
}

TEST(Lexer, PeekGivesTheCharacterBack) {
  Lexer lx;
  lx.start("-5");
  EXPECT_EQ(lx.next(), TokenKind::Binary);
  EXPECT_EQ(lx.peekChar(), '5');
  EXPECT_EQ(lx.next(), TokenKind::Integer);
  EXPECT_EQ(lx.intValue, 5);
}

TEST(Lexer, OverlongTokenIsFlaggedAndConsumedWhole) {
  std::string longName(5000, 'a');
  std::string source = longName + " next";
  Lexer lx;
  lx.start(source.c_str());
  EXPECT_EQ(lx.next(), TokenKind::Name);
  EXPECT_TRUE(lx.textOverflow);
  EXPECT_EQ(lx.textLength, kTokenTextCapacity);
  EXPECT_EQ(lx.next(), TokenKind::Name);
  EXPECT_FALSE(lx.textOverflow);
  EXPECT_STREQ(lx.text, "next");
}

TEST(Lexer, HugeRadixAndHugeNumbersStayFloats) {
  std::string digits(400, '9');
  auto toks = lexAll(digits + "r1");
  ASSERT_FALSE(toks.empty());
  auto big = lexAll(digits);
  ASSERT_EQ(big.size(), 1u);
  EXPECT_EQ(big[0].kind, TokenKind::Float);
}

}  // namespace
