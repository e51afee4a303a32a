#include "ncword/nc_tokens.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/test_util.h"

namespace kestrum {
namespace {

// One letter per character: what the tokens make of the line.
//   ' ' plain  G M N O  A address  C comment  V macro  ? not understood
std::string Kinds(std::size_t size, const std::vector<NcToken>& tokens) {
  static constexpr char kLetter[] = {' ', 'G', 'M', 'N', 'O', 'A', 'C', 'V', '?'};
  std::string out(size, ' ');
  for (const NcToken& t : tokens) {
    for (std::size_t i = t.start; i < t.start + t.length; ++i) {
      out[i] = kLetter[static_cast<int>(t.kind)];
    }
  }
  return out;
}

TEST(TokenizeNcLine, SpansOfEachKind) {
  const struct {
    bool in_comment;
    const char* line;
    const char* kinds;
    bool open_after;
  } rows[] = {
      {false, "N10 G01 X-12.5 Y3. F1200", "NNN GGG AAAAAA AAA AAAAA", false},
      {false, "G01X10.Y-5.", "GGGAAAAAAAA", false},
      {false, "G5.1 G1.", "GGGG GGG", false},  // the value keeps its text, points and all
      {false, "M03 S1500 T01 M06", "MMM AAAAA AAA MMM", false},
      {false, "O1000 (PART 12)", "OOOOO CCCCCCCCC", false},
      {false, "%", "O", false},
      // Comments: a carried-over one ends at the first ")", also in the first position.
      {false, "G00 (ROUGH X1", "GGG CCCCCCCCC", true},
      {true, "STILL X1) X2", "CCCCCCCCC AA", false},
      {true, ")X1", "CAA", false},
      {true, "NO END", "CCCCCC", true},
      {false, "X1(A(B)C)Y2", "AACCCCC??AA", false},  // no nesting: C and ")" are left
      {false, "()", "CC", false},
      // Macro words, variables and brackets.
      {false, "#101=#102+1", "VVVV VVVV  ", false},
      {false, "IF[#1GT#2]GOTO10", "VVVVVVVVVVVVVV  ", false},
      {false, "WHILE [#1 LE 10] DO1", "VVVVV VVV VV   V VVV", false},
      {false, "END1", "VVVV", false},
      {false, "VC12=VC1*2", "VVVV VVV  ", false},
      {false, "CALL OO10", "VVVV ?OOO", false},
      {false, "X#101 Z[#1+2.]", "AVVVV AVVV   V", false},
      {false, "X=10.", "AAAAA", false},  // OSP writes a value after "="
      // What a controller does not read: a bare letter, small letters, other signs.
      {false, "G01 X Y1.", "GGG ? AAA", false},
      {false, "g01 x1", "??? ??", false},
      {false, "G01;", "GGG?", false},
      {false, "", "", false},
      {false, " \t ", "   ", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    std::vector<NcToken> tokens;
    const std::string_view line(row.line);
    EXPECT_EQ(TokenizeNcLine(line, row.in_comment, tokens), row.open_after);
    EXPECT_EQ(Kinds(line.size(), tokens), row.kinds);
    // The same on UTF-16 text.
    std::vector<NcToken> wide;
    const std::u16string text = test::U(row.line);
    EXPECT_EQ(TokenizeNcLine(std::u16string_view(text), row.in_comment, wide), row.open_after);
    EXPECT_EQ(Kinds(text.size(), wide), row.kinds);
  }
}

TEST(TokenizeNcLine, TokensAreOrderedAndDoNotOverlap) {
  std::vector<NcToken> tokens;
  TokenizeNcLine(std::string_view("N1G1X1.Y2.(A)M3#1[2]"), false, tokens);
  ASSERT_FALSE(tokens.empty());
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    const std::size_t end = tokens[i - 1].start + tokens[i - 1].length;
    EXPECT_LE(end, tokens[i].start);
    if (end == tokens[i].start) {
      EXPECT_NE(tokens[i - 1].kind, tokens[i].kind) << "touching tokens of one kind are joined";
    }
  }
}

// In the panes' UTF-8, a Japanese comment counts its bytes; outside a comment such
// characters are not understood.
TEST(TokenizeNcLine, JapaneseInUtf8) {
  std::vector<NcToken> tokens;
  const std::string line = "G01(荒加工)あ";
  EXPECT_FALSE(TokenizeNcLine(std::string_view(line), false, tokens));
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[1].kind, NcTokenKind::kComment);
  EXPECT_EQ(tokens[1].start, 3u);
  EXPECT_EQ(tokens[1].length, 2u + 9u);
  EXPECT_EQ(tokens[2].kind, NcTokenKind::kUnknown);
  EXPECT_EQ(tokens[2].length, 3u);
}

}  // namespace
}  // namespace kestrum
