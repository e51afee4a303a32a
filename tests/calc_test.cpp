#include "convert/calc.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/search_reference.h"
#include "tests/search_test_util.h"

namespace kestrum {
namespace {

using test::Capture;
using test::SearchSession;
using test::U;
using test::Utf8;
using CalcSession = SearchSession;

struct Row {
  const char* text;
  const char* find;
  CalcOp op;
  const char* value;
  int format;
  const char* result;
};

std::u16string CalcAll(const Row& row, std::u16string* message = nullptr) {
  Module1 m;
  TextReport r =
      CalcReplaceAllText(U(row.text), {U(row.find), row.op, U(row.value), row.format}, m);
  if (message) *message = r.message;
  return r.text;
}

void ExpectRows(const Row* begin, const Row* end) {
  for (const Row* row = begin; row != end; ++row) {
    SCOPED_TRACE(testing::Message()
                 << row->text << " / " << row->find << " op " << static_cast<int>(row->op) << " "
                 << row->value << " format " << row->format);
    EXPECT_EQ(Utf8(CalcAll(*row)), row->result);
  }
}

TEST(CalcReplace, WorkedExamples) {
  const Row rows[] = {
      {"G00Z50.", "Z", CalcOp::kAdd, "100", 1, "G00Z150"},
      {"G00Z50.", "Z", CalcOp::kAdd, "100", 2, "G00Z150."},
      {"G00Z50.", "Z", CalcOp::kAdd, "100", 3, "G00Z150.0"},
      {"G01X-12.5Y3", "X", CalcOp::kMul, "2", 1, "G01X-25Y3"},
      {"SB=10", "SB", CalcOp::kMul, "1.5", 1, "SB=15"},
      {"SB = 10", "SB", CalcOp::kMul, "1.5", 1, "SB=15"},  // blanks and "=" collapse
      {"G1X5", "G", CalcOp::kAdd, "1", 4, "G02X5"},
      {"X .5", "X", CalcOp::kMul, "3", 1, "X1.5"},
      {"X10 Y10", "Y", CalcOp::kSub, "10.5", 1, "X10 Y-0.5"},
      {"X10", "X", CalcOp::kDiv, "4", 3, "X2.5"},
      {"X10", "X", CalcOp::kDiv, "3", 1, "X3.333"},
      {"X12345.678", "X", CalcOp::kAdd, "0", 1, "X12345.68"},  // single precision
      {"X-0.0001", "X", CalcOp::kAdd, "0", 2, "X0."},          // no "-0."
      {"G0.5", "G", CalcOp::kAdd, "0", 4, "G01"},              // "##00": half away from zero
      {"X+5", "X", CalcOp::kAdd, "1", 1, "X6"},
      {"X=-2.5", "X", CalcOp::kMul, "2", 1, "X=-5"},
  };
  ExpectRows(std::begin(rows), std::end(rows));
}

TEST(CalcReplace, WhereTheNumberStartsAndEnds) {
  const Row rows[] = {
      // The number must start within ten characters after the search text.
      {"X         5", "X", CalcOp::kAdd, "1", 1, "X6"},             // 9 blanks
      {"X          5", "X", CalcOp::kAdd, "1", 1, "X          5"},  // 10 blanks
      // A number that began inside the window is read to its end, never cut.
      {"X-12345.6789Y1", "X", CalcOp::kMul, "2", 1, "X-24691.36Y1"},
      {"X   1234567.25", "X", CalcOp::kAdd, "0", 3, "X1234567.0"},
      // A blank after the number ends it; blanks before it are removed.
      {"X  10 20", "X", CalcOp::kAdd, "1", 1, "X11 20"},
      // A second sign ends the number.
      {"X-5-3", "X", CalcOp::kAdd, "1", 1, "X-4-3"},
      {"X+-5", "X", CalcOp::kAdd, "1", 1, "X+-5"},
      // "=" after the number ends it: #5=3 holds two numbers, not 53.
      {"#5=3", "#", CalcOp::kMul, "2", 1, "#10=3"},
      // Search text inside other words: changed only where a number follows.
      {"(MAX SPEED)X10", "X", CalcOp::kAdd, "1", 1, "(MAX SPEED)X11"},
      {"(MAX-SPEED)X10", "X", CalcOp::kAdd, "1", 1, "(MAX-SPEED)X11"},
      {"X.Y1", "X", CalcOp::kAdd, "1", 1, "X.Y1"},  // "." alone is no number
      {"X1.2.3", "X", CalcOp::kAdd, "1", 1, "X1.2.3"},
      {"X", "X", CalcOp::kAdd, "1", 1, "X"},
      // Overlapping occurrences: the search goes on one after an unchanged occurrence.
      {"XXX5", "XX", CalcOp::kAdd, "1", 1, "XXX6"},
  };
  ExpectRows(std::begin(rows), std::end(rows));
}

TEST(CalcReplace, NewTextHoldingTheSearchTextIsNotSearchedAgain) {
  std::u16string message;
  // Each search goes on after the new value, so 15 x 11 = 165 is not taken up again.
  EXPECT_EQ(CalcAll({"X115 Y11", "1", CalcOp::kMul, "11", 1, ""}, &message), u"X1165 Y111");
  EXPECT_EQ(message, u"2 回変更しました。");
  EXPECT_EQ(CalcAll({"X1Y1", "X", CalcOp::kAdd, "1X1", 1, ""}, &message), u"X1Y1");
  EXPECT_EQ(message, u"\"1X1\" は数値ではありません。");
}

TEST(CalcReplace, EndMessages) {
  std::u16string message;
  CalcAll({"G01 X1 X2", "X", CalcOp::kAdd, "1", 1, ""}, &message);
  EXPECT_EQ(message, u"2 回変更しました。");
  CalcAll({"G01 X1 X2", "SB", CalcOp::kAdd, "1", 1, ""}, &message);
  EXPECT_EQ(message, u"\"SB\" 見つかりません。");
  CalcAll({"MAX", "X", CalcOp::kAdd, "1", 1, ""}, &message);  // found, nothing changed
  EXPECT_EQ(message, u"\"X\" 見つかりません。");
}

TEST(CheckCalcValue, RefusesWhatCannotBeComputed) {
  const struct {
    CalcOp op;
    const char* value;
    const char* why;
  } rows[] = {
      {CalcOp::kAdd, "100", ""},
      {CalcOp::kSub, " -1.5 ", ""},
      {CalcOp::kAdd, "abc", "\"abc\" は数値ではありません。"},
      {CalcOp::kSub, "1,5", "\"1,5\" は数値ではありません。"},
      {CalcOp::kAdd, "", "\"\" は数値ではありません。"},
      {CalcOp::kMul, "2mm", ""},  // × and ÷ read the leading number
      {CalcOp::kDiv, "0.5", ""},
      {CalcOp::kDiv, "0", "0 で割ることはできません。"},
      {CalcOp::kDiv, "abc", "0 で割ることはできません。"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(Utf8(CheckCalcValue(row.op, U(row.value))), row.why);
  }
  // A refused value changes nothing.
  EXPECT_EQ(CalcAll({"X10", "X", CalcOp::kDiv, "0", 1, ""}), u"X10");
  EXPECT_EQ(CalcAll({"X10", "X", CalcOp::kMul, "abc", 1, ""}), u"X0");
}

TEST(CalcDialog, ChangeStepsThroughFindReplaceFind) {
  CalcSession s(u"Z10 Z20 Z30", u"Z", u"100");
  EXPECT_TRUE(CalcDialogChange(s.m, s.pane, CalcOp::kAdd, 1, s.check1).text.empty());
  EXPECT_EQ(s.pane.text(), u"Z10 Z20 Z30");
  EXPECT_EQ(s.pane.SelStart(), 0u);
  EXPECT_TRUE(CalcDialogChange(s.m, s.pane, CalcOp::kAdd, 1, s.check1).text.empty());
  EXPECT_EQ(s.pane.text(), u"Z110 Z20 Z30");
  EXPECT_EQ(s.pane.SelStart(), 5u);
  EXPECT_TRUE(CalcDialogChange(s.m, s.pane, CalcOp::kAdd, 2, s.check1).text.empty());
  EXPECT_EQ(s.pane.text(), u"Z110 Z120. Z30");
  const SearchMessage end = CalcDialogChange(s.m, s.pane, CalcOp::kAdd, 3, s.check1);
  EXPECT_EQ(s.pane.text(), u"Z110 Z120. Z130.0");
  EXPECT_EQ(end.text, u"3 回 データを変更しました.");
  EXPECT_EQ(end.title, u"データ変更");
  EXPECT_TRUE(s.check1);
  EXPECT_TRUE(s.m.FirstStep);
  EXPECT_EQ(s.m.MatchCount, 0);
}

TEST(CalcDialog, SkipBeforeChangeLeavesTheSkippedOccurrence) {
  CalcSession s(u"X1 X2 X3", u"X", u"2");
  EXPECT_TRUE(CalcDialogNextFind(s.m, s.pane, s.check1).text.empty());
  EXPECT_TRUE(CalcDialogChange(s.m, s.pane, CalcOp::kMul, 1, s.check1).text.empty());
  EXPECT_EQ(s.pane.SelStart(), 3u);  // only found: FirstStep was still True
  EXPECT_TRUE(CalcDialogChange(s.m, s.pane, CalcOp::kMul, 1, s.check1).text.empty());
  EXPECT_EQ(s.pane.text(), u"X1 X4 X3");
  EXPECT_EQ(s.pane.SelStart(), 6u);
  const SearchMessage end = CalcDialogNextFind(s.m, s.pane, s.check1);
  EXPECT_EQ(end.text, u"1 回変更いたしました。");
  EXPECT_EQ(end.title, u"計算による変更");
  EXPECT_FALSE(s.check1);
}

TEST(CalcDialog, RefusedValueChangesNothingAndSaysWhy) {
  CalcSession s(u"X1 X2", u"X", u"abc");
  const SearchMessage msg = CalcDialogChange(s.m, s.pane, CalcOp::kAdd, 1, s.check1);
  EXPECT_EQ(msg.text, u"\"abc\" は数値ではありません。");
  EXPECT_EQ(msg.title, u"計算による変更");
  const SearchMessage all = CalcDialogAllChange(s.m, s.pane, CalcOp::kAdd, 1, s.check1);
  EXPECT_EQ(all.text, u"\"abc\" は数値ではありません。");
  EXPECT_EQ(s.pane.text(), u"X1 X2");
  EXPECT_EQ(s.pane.changes(), 0);
}

TEST(CalcDialog, AllChangeCountsOnFromChange) {
  CalcSession s(u"X1 X2 X3", u"X", u"10");
  CalcDialogChange(s.m, s.pane, CalcOp::kAdd, 1, s.check1);
  CalcDialogChange(s.m, s.pane, CalcOp::kAdd, 1, s.check1);
  const SearchMessage end = CalcDialogAllChange(s.m, s.pane, CalcOp::kAdd, 1, s.check1);
  EXPECT_EQ(s.pane.text(), u"X11 X12 X13");
  EXPECT_EQ(end.text, u"3 回変更しました。");
  EXPECT_EQ(end.title, u"計算による変更");
  EXPECT_EQ(s.pane.changes(), 2);  // one by "変　更", one for the whole rest
}

SearchMessage ReferenceAllChange(Module1& m, MemoryPane& pane, CalcOp op, int format,
                                 bool& check1) {
  return reference::CalcAllChange(m, pane, op, format, check1);
}

TEST(CalcDialog, AllChangeInOnePassEqualsTheOccurrenceLoop) {
  std::mt19937 rng(5150);
  const CalcOp ops[] = {CalcOp::kAdd, CalcOp::kSub, CalcOp::kMul, CalcOp::kDiv};
  const char16_t* values[] = {u"1", u"11", u"-2.5", u"0", u"X"};
  for (int round = 0; round < 3000; ++round) {
    const std::u16string text = test::RandomText(rng, u"XX1 =-.9\r\n", 30);
    const std::u16string find = test::RandomText(rng, u"X1", 2);
    const CalcOp op = ops[rng() % 4];
    const std::u16string value = values[rng() % 5];
    const int format = 1 + rng() % 4;
    SCOPED_TRACE(testing::PrintToString(Utf8(text)) + " / " + Utf8(find) + " / " + Utf8(value));
    CalcSession one(text, find, value);
    test::RandomHistory(
        rng, one, [&](CalcSession& s) { CalcDialogChange(s.m, s.pane, op, format, s.check1); });
    CalcSession ref = one;
    if (!CheckCalcValue(op, value).empty()) continue;  // refused before any search

    const SearchMessage a = CalcDialogAllChange(one.m, one.pane, op, format, one.check1);
    const SearchMessage b = ReferenceAllChange(ref.m, ref.pane, op, format, ref.check1);
    ASSERT_EQ(Capture(one, a), Capture(ref, b));
  }
}

TEST(CalcReplace, StrangeInputNeitherCrashesNorLoops) {
  Module1 m;
  const std::u16string nul(u"X1\0X2", 5);
  EXPECT_EQ(CalcReplaceAllText(nul, {u"X", CalcOp::kAdd, u"1", 1}, m).text,
            std::u16string(u"X2\0X3", 5));
  EXPECT_EQ(CalcReplaceAllText(u"X\xDC81"
                               u"5",
                               {u"X", CalcOp::kAdd, u"1", 1}, m)
                .text,
            u"X\xDC81"
            u"5");
  // Huge values saturate instead of becoming infinite.
  const std::u16string huge =
      CalcReplaceAllText(u"X9999999999", {u"X", CalcOp::kMul, u"1e300", 1}, m).text;
  EXPECT_EQ(huge.substr(0, 4), u"X340");
  // A number of a million digits is read whole, once.
  const std::u16string digits = u"X" + std::u16string(1'000'000, u'9') + u"Y";
  const std::u16string r = CalcReplaceAllText(digits, {u"X", CalcOp::kAdd, u"1", 1}, m).text;
  EXPECT_EQ(r.back(), u'Y');
  EXPECT_EQ(r.find(u'Y'), r.size() - 1);
  // One line of 2 MB of words.
  std::u16string line;
  for (int i = 0; i < 200000; ++i) line += u"X1 Y2 Z3 ";
  TextReport all = CalcReplaceAllText(line, {u"X", CalcOp::kAdd, u"1", 1}, m);
  EXPECT_EQ(all.message, u"200000 回変更しました。");
  EXPECT_EQ(all.text.substr(0, 9), u"X2 Y2 Z3 ");
}

}  // namespace
}  // namespace kestrum
