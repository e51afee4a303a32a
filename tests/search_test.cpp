#include "search/search.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "tests/search_reference.h"
#include "tests/search_test_util.h"

namespace kestrum {
namespace {

using test::After;
using test::Capture;
using test::RandomText;
using test::SearchSession;
using test::U;
using test::Utf8;
using ReplaceSession = SearchSession;

SearchMessage ReferenceAllChange(Module1& m, MemoryPane& pane, bool& check1) {
  return reference::ReplaceAllChange(m, pane, check1);
}
SearchMessage ReferenceRepair(Module1& m, MemoryPane& pane) {
  return reference::RepairLineEnds(m, pane);
}

TEST(Occurrences, FindsOverlappingOccurrencesInOrder) {
  const struct {
    std::u16string_view text, pattern;
    std::size_t from;
    std::vector<std::size_t> starts;
  } rows[] = {
      {u"AAAA", u"AA", 0, {0, 1, 2}},
      {u"ABABAB", u"ABAB", 0, {0, 2}},
      {u"ABABAB", u"ABAB", 1, {2}},
      {u"G01 X1 G01", u"G01", 0, {0, 7}},
      {u"AABAAAB", u"AAB", 0, {0, 4}},
      {u"X1", u"X1X1", 0, {}},  // longer than the text
      {u"X1", u"", 0, {}},      // an empty search text finds nothing
      {u"X1", u"X", 5, {}},     // a start past the end
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Utf8(row.text) + " / " + Utf8(row.pattern));
    Occurrences found(row.text, row.pattern);
    std::vector<std::size_t> starts;
    for (std::size_t at = found.Next(row.from); at != Occurrences::npos; at = found.Next(at + 1)) {
      starts.push_back(at);
    }
    EXPECT_EQ(starts, row.starts);
  }
  // Asked for positions beyond a pending partial match, the partial match is dropped.
  Occurrences found(u"ABABABX", u"ABABX");
  EXPECT_EQ(found.Next(0), 2u);
}

TEST(FindDialog, StepsThroughOccurrencesThenReportsTheCount) {
  Module1 m;
  m.SearchText = u"G01";
  MemoryPane pane(u"G01 X1 G01");
  bool check1 = true;
  EXPECT_TRUE(FindDialogNextFind(m, pane, check1).text.empty());
  EXPECT_EQ(pane.SelStart(), 0u);
  EXPECT_EQ(pane.SelLength(), 3u);
  EXPECT_FALSE(check1);
  EXPECT_TRUE(FindDialogNextFind(m, pane, check1).text.empty());
  EXPECT_EQ(pane.SelStart(), 7u);
  const SearchMessage end = FindDialogNextFind(m, pane, check1);
  EXPECT_EQ(end.text, u"2 回 見つかりました。");
  EXPECT_EQ(end.title, u"検索");
  EXPECT_TRUE(check1);
  EXPECT_EQ(m.MatchCount, 0);
  EXPECT_EQ(pane.changes(), 0);  // finding never touches the text
  // Check1 is checked again, so the next click starts at the top.
  EXPECT_TRUE(FindDialogNextFind(m, pane, check1).text.empty());
  EXPECT_EQ(pane.SelStart(), 0u);
}

TEST(FindDialog, NothingFoundQuotesTheSearchText) {
  const struct {
    std::u16string_view text, search, message;
  } rows[] = {
      {u"G01 X1", u"G02", u"\"G02\" は見つかりませんでした。"},
      {u"G01 X1", u"g01", u"\"g01\" は見つかりませんでした。"},  // case matters
      {u"Ｇ01", u"G01", u"\"G01\" は見つかりませんでした。"},    // full width differs
      {u"G01", u"", u"\"\" は見つかりませんでした。"},           // empty search text
      {u"", u"G01", u"\"G01\" は見つかりませんでした。"},
      {u"G01", u"G01 X1", u"\"G01 X1\" は見つかりませんでした。"},  // longer than the text
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Utf8(row.search));
    Module1 m;
    m.SearchText = row.search;
    MemoryPane pane{std::u16string(row.text)};
    bool check1 = true;
    EXPECT_EQ(FindDialogNextFind(m, pane, check1).text, row.message);
  }
}

TEST(FindNextCommand, StartsOneAfterTheSelectionAndCountsOn) {
  Module1 m;
  m.SearchText = u"G01";
  MemoryPane pane(u"G01 X1 G01 Y2 G01");
  // At the very start the occurrence at the first character is passed over.
  EXPECT_TRUE(FindNextCommand(m, pane).text.empty());
  EXPECT_EQ(pane.SelStart(), 7u);
  EXPECT_EQ(m.MatchCount, 1);

  // After the dialog found the first one, F3 finds the next and counts on.
  bool check1 = true;
  m.MatchCount = 0;
  FindDialogNextFind(m, pane, check1);
  EXPECT_TRUE(FindNextCommand(m, pane).text.empty());
  EXPECT_EQ(pane.SelStart(), 7u);
  EXPECT_TRUE(FindNextCommand(m, pane).text.empty());
  EXPECT_EQ(pane.SelStart(), 14u);
  const SearchMessage end = FindNextCommand(m, pane);
  EXPECT_EQ(end.text, u"3回 見つかりました。");
  EXPECT_EQ(end.title, u"検索");
  EXPECT_EQ(m.MatchCount, 0);

  m.SearchText = u"G02";
  EXPECT_EQ(FindNextCommand(m, pane).text, u"\"G02\"は見つかりませんでした。");
  m.SearchText.clear();
  EXPECT_EQ(FindNextCommand(m, pane).text, u"\"\"は見つかりませんでした。");
}

TEST(ReplaceCurrent, NextSearchStartsAfterTheInsertedText) {
  Module1 m;
  MemoryPane pane(u"X1X1");
  m.SearchText = u"X1";
  m.ReplaceText = u"X2";
  BeginReplace(m, pane);
  ASSERT_TRUE(FindNext(m, pane));
  ReplaceCurrent(m, pane);
  EXPECT_EQ(pane.text(), u"X2X1");
  EXPECT_EQ(m.WorkText, u"X2X1");
  EXPECT_EQ(m.SearchPos, 2u);
  EXPECT_EQ(m.MatchCount, 1);
  ASSERT_TRUE(FindNext(m, pane));
  EXPECT_EQ(pane.SelStart(), 2u);
}

TEST(ReplaceCurrent, LeavesTextThatIsNoLongerTheSearchText) {
  // G01 found, then the search text edited to something longer before "変　更" replaces:
  // the characters at the selection are not the search text and must stay.
  ReplaceSession s(u"G01 X1 G01 Y2", u"G01", u"G1");
  ASSERT_TRUE(FindNext(s.m, s.pane));
  s.m.SearchText = u"G01 Y2";
  ReplaceCurrent(s.m, s.pane);
  EXPECT_EQ(s.pane.text(), u"G01 X1 G01 Y2");
  EXPECT_EQ(s.m.MatchCount, 0);
  EXPECT_EQ(s.pane.changes(), 0);
}

TEST(ReplaceCurrent, NeverWritesBackAStaleCopy) {
  ReplaceSession s(u"G01 X1", u"G01", u"G1");
  s.pane.SetText(u"G01 X1 Y2");  // the text changed after the dialog took its copy
  ASSERT_TRUE(FindNext(s.m, s.pane));
  ReplaceCurrent(s.m, s.pane);
  EXPECT_EQ(s.pane.text(), u"G1 X1 Y2");
}

TEST(ReplaceDialog, ChangeStepsThroughFindReplaceFind) {
  ReplaceSession s(u"G01 G01 G01", u"G01", u"G1");
  EXPECT_TRUE(ReplaceDialogChange(s.m, s.pane, s.check1).text.empty());
  EXPECT_EQ(s.pane.text(), u"G01 G01 G01");  // the first click only finds
  EXPECT_EQ(s.pane.SelStart(), 0u);
  EXPECT_TRUE(ReplaceDialogChange(s.m, s.pane, s.check1).text.empty());
  EXPECT_EQ(s.pane.text(), u"G1 G01 G01");
  EXPECT_EQ(s.pane.SelStart(), 3u);
  EXPECT_EQ(s.Selected(), u"G01");
  EXPECT_TRUE(ReplaceDialogChange(s.m, s.pane, s.check1).text.empty());
  EXPECT_EQ(s.pane.text(), u"G1 G1 G01");
  EXPECT_EQ(s.pane.SelStart(), 6u);
  const SearchMessage end = ReplaceDialogChange(s.m, s.pane, s.check1);
  EXPECT_EQ(s.pane.text(), u"G1 G1 G1");
  EXPECT_EQ(end.text, u"3 回　変更しました。");
  EXPECT_EQ(end.title, u"置き換え");
  EXPECT_TRUE(s.check1);
  EXPECT_TRUE(s.m.FirstStep);
  EXPECT_EQ(s.m.MatchCount, 0);
}

TEST(ReplaceDialog, SkipBeforeChangeLeavesTheSkippedOccurrence) {
  ReplaceSession s(u"G01 G01 G01", u"G01", u"G1");
  EXPECT_TRUE(ReplaceDialogNextFind(s.m, s.pane, s.check1).text.empty());
  EXPECT_EQ(s.pane.SelStart(), 0u);
  // FirstStep still holds: this click finds the second G01 and replaces nothing.
  EXPECT_TRUE(ReplaceDialogChange(s.m, s.pane, s.check1).text.empty());
  EXPECT_EQ(s.pane.text(), u"G01 G01 G01");
  EXPECT_EQ(s.pane.SelStart(), 4u);
  EXPECT_TRUE(ReplaceDialogChange(s.m, s.pane, s.check1).text.empty());
  EXPECT_EQ(s.pane.text(), u"G01 G1 G01");
  EXPECT_EQ(s.pane.SelStart(), 7u);
  // Skip at the end reports with the ordinary space and leaves Check1 alone.
  const SearchMessage end = ReplaceDialogNextFind(s.m, s.pane, s.check1);
  EXPECT_EQ(end.text, u"1 回 変更しました。");
  EXPECT_FALSE(s.check1);
  EXPECT_TRUE(s.m.FirstStep);
}

TEST(ReplaceDialog, AllChangeWorkedExamples) {
  const struct {
    std::u16string_view text, find, with, result, message;
  } rows[] = {
      {u"G01 G01 G01", u"G01", u"G1", u"G1 G1 G1", u"3 回 変更しました。"},
      {u"X1Y1", u"1", u"11", u"X11Y11", u"2 回 変更しました。"},         // never finds its own 1
      {u"X1X1", u"X1", u"X2", u"X2X2", u"2 回 変更しました。"},          // adjacent
      {u"AAAA", u"AA", u"B", u"BB", u"2 回 変更しました。"},             // no overlaps
      {u"G01 X1 G01", u"G01 ", u"", u"X1 G01", u"1 回 変更しました。"},  // deleted
      {u"G00 X1", u"G01", u"G1", u"G00 X1", u"\"G01\" 見つかりませんでした。"},
      {u"G00 X1", u"", u"G1", u"G00 X1", u"\"\" 見つかりませんでした。"},
      {u"", u"G01", u"G1", u"", u"\"G01\" 見つかりませんでした。"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Utf8(row.text) + " / " + Utf8(row.find));
    ReplaceSession s(row.text, row.find, row.with);
    const SearchMessage end = ReplaceDialogAllChange(s.m, s.pane, s.check1);
    EXPECT_EQ(s.pane.text(), row.result);
    EXPECT_EQ(end.text, row.message);
    EXPECT_EQ(end.title, u"置き換え");
    EXPECT_EQ(s.pane.changes(), row.result == row.text ? 0 : 1);  // written back once
  }
}

TEST(ReplaceDialog, AllChangeCountsOnFromChangeAndTakesTheShownOccurrence) {
  ReplaceSession s(u"X1 X1 X1 X1", u"X1", u"X2");
  ReplaceDialogChange(s.m, s.pane, s.check1);  // finds the first
  ReplaceDialogChange(s.m, s.pane, s.check1);  // replaces it, shows the second
  EXPECT_EQ(s.pane.SelStart(), 3u);
  // Two characters back from the end of the shown X1: it is replaced too.
  const SearchMessage end = ReplaceDialogAllChange(s.m, s.pane, s.check1);
  EXPECT_EQ(s.pane.text(), u"X2 X2 X2 X2");
  EXPECT_EQ(end.text, u"4 回 変更しました。");
  EXPECT_TRUE(s.check1);
  EXPECT_TRUE(s.m.FirstStep);
  EXPECT_EQ(s.m.MatchCount, 0);
}

TEST(ReplaceDialog, AllChangeWithoutCheck1StartsTwoBeforeTheCaret) {
  const struct {
    std::size_t caret;
    std::u16string_view result;
  } rows[] = {
      {0, u"G1 G1 G1"},
      {1, u"G01 G1 G1"},  // 1 is not stepped back
      {6, u"G01 G1 G1"},  // 6 - 2 = 4: the second G01 is found again
      {7, u"G01 G01 G1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.caret);
    ReplaceSession s(u"G01 G01 G01", u"G01", u"G1");
    s.pane.Select(row.caret, 0);
    BeginReplace(s.m, s.pane);
    s.check1 = false;
    ReplaceDialogAllChange(s.m, s.pane, s.check1);
    EXPECT_EQ(s.pane.text(), row.result);
  }
}

TEST(RepairLineEnds, AddsCrOnlyWhereItIsMissing) {
  const struct {
    std::u16string_view text, result, message;
  } rows[] = {
      {u"A\nB\n", u"A\r\nB\r\n", u"2 回 変更しました。"},
      {u"A\r\nB\nC\n\r\n", u"A\r\nB\r\nC\r\n\r\n", u"2 回 変更しました。"},
      {u"\n\n", u"\r\n\r\n", u"2 回 変更しました。"},
      {u"A\rB\n", u"A\rB\r\n", u"1 回 変更しました。"},  // the lone CR stays
      {u"A\r\r\n", u"A\r\r\n", u"\"\n\" 見つかりませんでした。"},
      {u"A\r\nB\r\nC\r\n", u"A\r\nB\r\nC\r\n", u"\"\n\" 見つかりませんでした。"},
      {u"G01 X1", u"G01 X1", u"\"\n\" 見つかりませんでした。"},
      {u"", u"", u"\"\n\" 見つかりませんでした。"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(Utf8(row.text)));
    Module1 m;
    m.MatchCount = 5;  // left by a find that was not finished: not the repair's count
    MemoryPane pane{std::u16string(row.text)};
    const SearchMessage end = RepairLineEnds(m, pane);
    EXPECT_EQ(pane.text(), row.result);
    EXPECT_EQ(end.text, row.message);
    EXPECT_EQ(end.title, u"置き換え");
    EXPECT_EQ(pane.changes(), row.result == row.text ? 0 : 1);
    EXPECT_EQ(m.SearchText, u"\n");  // a following F3 looks for a line feed
    EXPECT_EQ(m.ReplaceText, u"\r\n");
    EXPECT_EQ(m.WorkText, row.result);
    EXPECT_TRUE(m.FirstStep);
    EXPECT_EQ(m.MatchCount, 0);
  }
}

TEST(ReplaceDialog, AllChangeInOnePassEqualsTheOccurrenceLoop) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 3000; ++round) {
    const std::u16string text = RandomText(rng, u"X1X2 \r\n", 24);
    const std::u16string find = RandomText(rng, u"X1 ", 3);
    const std::u16string with = RandomText(rng, u"X1 ", 4);
    SCOPED_TRACE(testing::PrintToString(Utf8(text)) + " / " + Utf8(find) + " / " + Utf8(with));
    ReplaceSession one(text, find, with);
    test::RandomHistory(rng, one,
                        [](ReplaceSession& s) { ReplaceDialogChange(s.m, s.pane, s.check1); });
    ReplaceSession ref = one;

    const SearchMessage a = ReplaceDialogAllChange(one.m, one.pane, one.check1);
    const SearchMessage b = ReferenceAllChange(ref.m, ref.pane, ref.check1);
    ASSERT_EQ(Capture(one, a), Capture(ref, b));
  }
}

TEST(RepairLineEnds, OnePassEqualsTheOccurrenceLoop) {
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    const std::u16string text = RandomText(rng, u"A\r\n", 16);
    SCOPED_TRACE(testing::PrintToString(Utf8(text)));
    Module1 m1, m2;
    MemoryPane p1(text), p2(text);
    const SearchMessage a = RepairLineEnds(m1, p1);
    const SearchMessage b = ReferenceRepair(m2, p2);
    ASSERT_EQ(Capture(m1, p1, false, a), Capture(m2, p2, false, b));
  }
}

TEST(Search, StrangeTextsNeitherCrashNorLoop) {
  std::u16string nul(u"G01\0X1\0", 7);
  std::u16string surrogates = u"X1\xDC81\xDCFF X1 \xD800";
  const struct {
    std::u16string text, find, with, result;
  } rows[] = {
      {nul, std::u16string(u"\0", 1), u"|", u"G01|X1|"},
      {nul, u"X1", u"X2", std::u16string(u"G01\0X2\0", 7)},
      {surrogates, u"\xDC81", u"?", u"X1?\xDCFF X1 \xD800"},
      {surrogates, u"X1", u"X2", u"X2\xDC81\xDCFF X2 \xD800"},
      {u"X", u"XX", u"Y", u"X"},
  };
  for (const auto& row : rows) {
    Module1 m;
    EXPECT_EQ(ReplaceAllText(row.text, row.find, row.with, m).text, row.result);
  }
}

TEST(Search, LargeAndPathologicalTextsTakeLinearTime) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  // One line of 4 MB: every X replaced, line ends repaired.
  std::u16string line;
  for (int i = 0; i < 400000; ++i) line += u"G01X1.5\n Y2";
  Module1 m;
  const TextReport replaced = ReplaceAllText(line, u"X", u"XX", m);
  EXPECT_EQ(replaced.message, u"400000 回 変更しました。");
  const TextReport repaired = RepairLineEndsText(line, m);
  EXPECT_EQ(repaired.message, u"400000 回 変更しました。");
  EXPECT_EQ(repaired.text.size(), line.size() + 400000);
  // A search text that almost matches everywhere: a plain restart per position is n * m.
  const std::u16string a(4'000'000, u'A');
  const std::u16string pattern = std::u16string(2000, u'A') + u"B";
  EXPECT_EQ(ReplaceAllText(a, pattern, u"", m).text.size(), a.size());
  EXPECT_LT(Clock::now() - start, test::TimeLimit(std::chrono::seconds(5)));
}

}  // namespace
}  // namespace kestrum
