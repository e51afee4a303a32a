#include "shell/line_diff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::U;

// Runs written as "1-3 7" (lines 1, 2, 3 and 7).
std::string Shown(const LineRuns& runs) {
  std::string out;
  for (const LineRun& r : runs) {
    if (!out.empty()) out += ' ';
    out += std::to_string(r.first);
    if (r.end - r.first > 1) out += '-' + std::to_string(r.end - 1);
  }
  return out;
}

TEST(ChangedLines, MarksTheLinesThatDiffer) {
  const struct {
    const char* source;
    const char* result;
    const char* changed;
  } rows[] = {
      // As many lines: line by line.
      {"G1X1\r\nG1X2\r\nM30\r\n", "G01X1.\r\nG1X2\r\nM30\r\n", "0"},
      {"A\r\nB\r\nC\r\nD\r\n", "A\r\nX\r\nY\r\nD\r\n", "1-2"},
      {"A\nB\n", "A\r\nB\r\n", "0-1"},  // a new line end is a change
      {"A\r\nB", "A\r\nB", ""},
      {"", "", ""},
      {"A\r\nB", "A\r\nC", "1"},
      {"A\r\nX", "B\r\n", "0-1"},  // the last line, empty in the result
      // Lines inserted: only they are marked.
      {"G90\r\nX1\r\nX2\r\n", "G90\r\nG91\r\nX1\r\nX2\r\n", "1"},
      {"X1\r\nX2\r\nX3\r\n", "X1\r\nM16\r\nX2\r\nX3\r\nM15\r\n", "1 4"},
      {"A\r\nB\r\n", "A\r\nB\r\nC\r\nD\r\n", "2-3"},
      {"B\r\n", "A\r\nB\r\n", "0"},
      // Lines removed leave nothing to mark; a replaced line is marked.
      {"A\r\nB\r\nC\r\n", "A\r\nC\r\n", ""},
      {"A\r\nB\r\nC\r\nD\r\n", "A\r\nX\r\nD\r\n", "1"},
      {"A\r\nB\r\n", "", ""},  // the empty last line is still there
      {"", "A\r\nB", "0-1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.source) + " -> " + row.result);
    bool complete = false;
    EXPECT_EQ(Shown(ChangedLines(U(row.source), U(row.result), {}, &complete)), row.changed);
    EXPECT_TRUE(complete);
  }
}

TEST(ChangedLines, PastTheLimitsMarksFromTheFirstToTheLastDifference) {
  const std::u16string source = U("A\r\nB\r\nC\r\nD\r\nE\r\n");
  const std::u16string result = U("A\r\n1\r\nB\r\n2\r\nC\r\n3\r\nD\r\nE\r\n");
  bool complete = true;
  EXPECT_EQ(Shown(ChangedLines(source, result, DiffLimits{2, 1000}, &complete)), "1-5");
  EXPECT_FALSE(complete);
  EXPECT_EQ(Shown(ChangedLines(source, result, DiffLimits{3, 1000}, &complete)), "1 3 5");
  EXPECT_TRUE(complete);
  EXPECT_EQ(Shown(ChangedLines(source, result, DiffLimits{100, 5}, &complete)), "1-5");
  EXPECT_FALSE(complete);
}

// The unmarked lines of the result are a longest common subsequence of the two line lists,
// checked against dynamic programming on small random texts.
TEST(ChangedLines, UnmarkedLinesAreALongestCommonSubsequence) {
  std::mt19937 random(5);
  const char* pieces[] = {"A", "B", "C", "G01", ""};
  for (int round = 0; round < 400; ++round) {
    std::vector<std::string> a(random() % 9);
    std::vector<std::string> b(random() % 9);
    for (auto& line : a) line = pieces[random() % 5];
    for (auto& line : b) line = pieces[random() % 5];
    std::string source;
    std::string result;
    for (const auto& line : a) source += line + "\r\n";
    for (const auto& line : b) result += line + "\r\n";
    // As lines of the panes: each text ends with an empty line after its last line end.
    a.push_back("");
    b.push_back("");
    std::vector<std::vector<int>> lcs(a.size() + 1, std::vector<int>(b.size() + 1, 0));
    for (std::size_t i = a.size(); i-- > 0;) {
      for (std::size_t j = b.size(); j-- > 0;) {
        lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
      }
    }
    const LineRuns runs = ChangedLines(U(source), U(result));
    if (a.size() == b.size()) continue;  // line by line, not a diff
    std::vector<std::string> kept;
    for (std::size_t j = 0; j < b.size(); ++j) {
      if (!InRuns(runs, j)) kept.push_back(b[j]);
    }
    SCOPED_TRACE("round " + std::to_string(round) + ": " + source + " -> " + result);
    ASSERT_EQ(kept.size(), static_cast<std::size_t>(lcs[0][0]));
    // ... and a subsequence of the source.
    std::size_t i = 0;
    for (const auto& line : kept) {
      while (i < a.size() && a[i] != line) ++i;
      ASSERT_LT(i, a.size());
      ++i;
    }
  }
}

TEST(LineCount, CountsEveryKindOfLineEnd) {
  EXPECT_EQ(LineCount(U("")), 1u);
  EXPECT_EQ(LineCount(U("A\r\nB\nC\rD")), 4u);
  EXPECT_EQ(LineCount(U("\r\n\r\r\n\n")), 5u);
  // Long texts go sixteen units at a time: a CR LF may stand across two blocks.
  std::mt19937 random(3);
  const char16_t units[] = {u'\r', u'\n', u'X', u'1'};
  for (int round = 0; round < 300; ++round) {
    std::u16string text(random() % 90, u' ');
    for (auto& c : text) c = units[random() % 4];
    std::size_t expected = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
      expected +=
          text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'));
    }
    ASSERT_EQ(LineCount(text), expected) << "round " << round;
  }
}

TEST(ShiftRuns, RunsStayOnTheirLines) {
  const struct {
    LineRuns runs;
    std::size_t line;
    std::ptrdiff_t lines;
    const char* after;
  } rows[] = {
      {{{2, 4}, {8, 9}}, 0, 1, "3-4 9"},   // a line split before both
      {{{2, 4}, {8, 9}}, 2, 2, "2-5 10"},  // split inside the first: the new lines are in it
      {{{2, 4}, {8, 9}}, 5, 1, "2-3 9"},  {{{2, 4}, {8, 9}}, 9, 3, "2-3 8"},
      {{{2, 4}, {8, 9}}, 0, -1, "1-2 7"},  // line 1 joined to line 0
      {{{2, 4}, {8, 9}}, 1, -2, "1 6"},    // lines 2 and 3 into line 1: it carries them
      {{{2, 4}, {8, 9}}, 3, -5, "2-3"},    // lines 4 to 8 into line 3, which was changed
      {{{2, 3}, {4, 5}}, 2, -2, "2"},      // two runs into one line
  };
  for (const auto& row : rows) {
    LineRuns runs = row.runs;
    ShiftRuns(runs, row.line, row.lines);
    EXPECT_EQ(Shown(runs), row.after) << "line " << row.line << " lines " << row.lines;
  }
}

TEST(NextRun, StepsFromRunToRun) {
  const LineRuns runs = {{2, 4}, {8, 9}, {12, 15}};
  const struct {
    std::size_t line;
    bool forward;
    int expected;  // -1: none
  } rows[] = {
      {0, true, 2},   {2, true, 8},    {3, true, 8},   {8, true, 12},  {12, true, -1},
      {20, true, -1}, {20, false, 12}, {13, false, 8}, {12, false, 8}, {9, false, 8},
      {8, false, 2},  {3, false, -1},  {0, false, -1},
  };
  for (const auto& row : rows) {
    const auto next = NextRun(runs, row.line, row.forward);
    EXPECT_EQ(next ? static_cast<int>(*next) : -1, row.expected)
        << "from line " << row.line << (row.forward ? " forward" : " backward");
  }
  EXPECT_TRUE(InRuns(runs, 3));
  EXPECT_FALSE(InRuns(runs, 4));
  EXPECT_FALSE(NextRun({}, 0, true));
}

}  // namespace
}  // namespace kestrum
