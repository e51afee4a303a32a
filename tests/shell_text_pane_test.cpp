#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <random>
#include <string>
#include <vector>

#include "shell/text_pane.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::U;
using test::Utf8;

// The text with its line ends spelled out, for readable failures.
std::string Shown(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) {
    if (c == u'\r') {
      out += "<CR>";
    } else if (c == u'\n') {
      out += "<LF>";
    } else {
      out += Utf8(std::u16string_view(&c, 1));
    }
  }
  return out;
}

void Key(NcTextEdit& pane, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(&pane, &press);
}

// Puts the caret at a cursor position of Qt (every line end counts one).
void Caret(NcTextEdit& pane, int pos) {
  QTextCursor c = pane.textCursor();
  c.setPosition(pos);
  pane.setTextCursor(c);
}

TEST(NcTextEdit, GivesBackEveryTextExactly) {
  const std::u16string rows[] = {
      u"",
      u"G01",
      u"G01\r\n",
      u"N1\r\nN2\r\n",
      u"N1\nN2\n",  // LF only: one line for the conversions until repaired
      u"N1\rN2",    // a lone CR stays inside its line
      u"N1\r\nN2\nN3\rN4",
      u"\r\n\r\n\n\r\r\n",
      u"\n\r",                    // LF then CR is two line ends, not one
      u"A\u2029B\uFDD0C\uFDD1D",  // characters QTextDocument also makes block boundaries
      u"A\u2028B\u00A0C",         // line separator and no-break space stay as they are
      std::u16string(u"X\0Y", 3),
      u"(\xDC81\xDCFF)",  // bytes that were not Shift-JIS, kept as lone surrogates
  };
  NcTextEdit pane;
  for (const std::u16string& text : rows) {
    SCOPED_TRACE(Shown(text));
    pane.SetText(text);
    EXPECT_EQ(Shown(pane.Text()), Shown(text));
  }
}

TEST(NcTextEdit, TypedNewLineEndsInCrLfAndKeepsTheOldEndBehind) {
  const struct {
    const char16_t* text;
    int caret;  // Qt cursor position
    const char16_t* expected;
  } rows[] = {
      {u"AB\nCD", 1, u"A\r\nB\nCD"},  // inside an LF line
      {u"AB\nCD", 2, u"AB\r\n\nCD"},  // at its end
      {u"AB\nCD", 3, u"AB\n\r\nCD"},  // at the start of the next line
      {u"AB\rCD", 0, u"\r\nAB\rCD"},  // at the very start
      {u"AB\rCD", 5, u"AB\rCD\r\n"},  // at the very end
      {u"AB\r\nCD", 4, u"AB\r\nC\r\nD"},
  };
  NcTextEdit pane;
  for (const auto& row : rows) {
    SCOPED_TRACE(Shown(row.text));
    pane.SetText(row.text);
    Caret(pane, row.caret);
    Key(pane, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(Shown(pane.Text()), Shown(row.expected));
  }
}

TEST(NcTextEdit, JoiningLinesKeepsTheEndOfTheLaterLine) {
  NcTextEdit pane;
  pane.SetText(u"AB\nCD\rEF");
  Caret(pane, 3);  // start of CD
  Key(pane, Qt::Key_Backspace);
  EXPECT_EQ(Shown(pane.Text()), Shown(u"ABCD\rEF"));

  pane.SetText(u"AB\nCD\rEF");
  Caret(pane, 2);  // end of AB
  Key(pane, Qt::Key_Delete);
  EXPECT_EQ(Shown(pane.Text()), Shown(u"ABCD\rEF"));

  // A selection over three lines, removed.
  pane.SetText(u"AB\nCD\rEF\r\nGH");
  pane.Select(1, 6);  // "B\nCD\rE"
  pane.ReplaceSelection(u"");
  EXPECT_EQ(Shown(pane.Text()), Shown(u"AF\r\nGH"));
}

TEST(NcTextEdit, ReplaceSelectionKeepsTheInsertedLineEnds) {
  NcTextEdit pane;
  pane.SetText(u"AB\nCD");
  pane.Select(1, 3);  // "B\nC"
  pane.ReplaceSelection(u"x\ry\r\nz");
  EXPECT_EQ(Shown(pane.Text()), Shown(u"Ax\ry\r\nzD"));
  EXPECT_EQ(pane.SelStart(), 7u);  // the caret after the inserted text
  EXPECT_EQ(pane.SelLength(), 0u);
}

TEST(NcTextEdit, PositionsCountCrLfAsTwo) {
  NcTextEdit pane;
  pane.SetText(u"G01\r\nX1\nY2\r\n");
  pane.Select(5, 2);
  EXPECT_EQ(pane.SelStart(), 5u);
  EXPECT_EQ(pane.SelLength(), 2u);
  EXPECT_EQ(Utf8(pane.SelectedText()), "X1");
  EXPECT_EQ(pane.textCursor().selectionStart(), 4);  // Qt counts the CR LF once

  pane.Select(1, 8);
  EXPECT_EQ(Shown(pane.SelectedText()), Shown(u"01\r\nX1\nY"));
  EXPECT_EQ(pane.SelLength(), 8u);

  // Between CR and LF, and past the end: the nearest place that exists.
  pane.Select(4, 0);
  EXPECT_EQ(pane.SelStart(), 3u);
  pane.Select(100, 5);
  EXPECT_EQ(pane.SelStart(), 12u);
  EXPECT_EQ(pane.SelLength(), 0u);
}

// Random edits on both the pane and a plain model of lines with their ends: after every step
// the pane's text is the model's.
TEST(NcTextEdit, RandomEditsKeepEveryLineEnd) {
  struct Line {
    std::u16string text;
    std::u16string end;
  };
  const std::u16string ends[] = {u"\r\n", u"\n", u"\r"};
  std::mt19937 rng(7);
  const auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };

  NcTextEdit pane;
  std::vector<Line> model;
  const auto joined = [&model] {
    std::u16string out;
    for (const Line& l : model) out += l.text + l.end;
    return out;
  };
  // Qt cursor position of (line, column).
  const auto cursor = [&model](int line, int column) {
    int pos = 0;
    for (int i = 0; i < line; ++i) pos += static_cast<int>(model[i].text.size()) + 1;
    return pos + column;
  };

  for (int round = 0; round < 40; ++round) {
    model.clear();
    for (int i = 0, n = 1 + pick(5); i < n; ++i) {
      model.push_back({std::u16string(pick(4), u'a' + i), i + 1 < n ? ends[pick(3)] : u""});
    }
    pane.SetText(joined());
    for (int step = 0; step < 12; ++step) {
      const int line = pick(static_cast<int>(model.size()));
      const int column = pick(static_cast<int>(model[line].text.size()) + 1);
      switch (pick(4)) {
        case 0: {  // Enter
          Caret(pane, cursor(line, column));
          Key(pane, Qt::Key_Return, QStringLiteral("\r"));
          Line tail{model[line].text.substr(column), model[line].end};
          model[line] = {model[line].text.substr(0, column), u"\r\n"};
          model.insert(model.begin() + line + 1, tail);
          break;
        }
        case 1:  // Backspace at the start of a line joins it to the one before
          if (line == 0) break;
          Caret(pane, cursor(line, 0));
          Key(pane, Qt::Key_Backspace);
          model[line - 1] = {model[line - 1].text + model[line].text, model[line].end};
          model.erase(model.begin() + line);
          break;
        case 2: {  // a selection to a later line removed
          const int last = line + pick(static_cast<int>(model.size()) - line);
          const int last_column = last == line ? column : pick(model[last].text.size() + 1);
          QTextCursor c = pane.textCursor();
          c.setPosition(cursor(line, column));
          c.setPosition(cursor(last, last_column), QTextCursor::KeepAnchor);
          pane.setTextCursor(c);
          pane.ReplaceSelection(u"");
          model[line] = {model[line].text.substr(0, column) +
                             model[last].text.substr(std::max(last_column, 0)),
                         model[last].end};
          model.erase(model.begin() + line + 1, model.begin() + last + 1);
          break;
        }
        case 3: {  // text with its own line ends inserted
          Caret(pane, cursor(line, column));
          const std::u16string& end = ends[pick(3)];
          pane.ReplaceSelection(u"x" + end + u"y");
          Line tail{u"y" + model[line].text.substr(column), model[line].end};
          model[line] = {model[line].text.substr(0, column) + u"x", end};
          model.insert(model.begin() + line + 1, tail);
          break;
        }
      }
      ASSERT_EQ(Shown(pane.Text()), Shown(joined())) << "round " << round << " step " << step;
    }
  }
}

// SetText puts in only what changed when the new text shares most of the old one; the text
// must come out the same as after putting it in whole.
TEST(NcTextEdit, NewTextSharingMostOfTheOldComesOutExactly) {
  const struct {
    const char16_t* old_text;
    const char16_t* new_text;
  } rows[] = {
      {u"AAAA\r\nB", u"AAAA\rB"},  // a CR LF loses its LF
      {u"AAAA\rB", u"AAAA\r\nB"},  // a lone CR gains one
      {u"AAAA\nB", u"AAAA\r\nB"},
      {u"AB\r\nCD\r\nEF", u"AB\r\nXY\r\nEF"},
      {u"AB\r\nCD\r\nEF", u"AB\r\nEF"},
      {u"ABCD\r\n", u"ABCD\r\n\r\n"},
      {u"ABCD\r\n\r\n", u"ABCD\r\n"},
      {u"XXXX\r\nY", u"XXXX\r\n\nY"},
      {u"G01 X10.\r\nG01 Y5.\r\n", u"G01 X10.\r\nG01 Y5.\r\n"},  // the same text
  };
  NcTextEdit pane;
  for (const auto& row : rows) {
    SCOPED_TRACE(Shown(row.old_text) + " -> " + Shown(row.new_text));
    pane.SetText(row.old_text);
    pane.Select(3, 1);
    pane.SetText(row.new_text);
    EXPECT_EQ(Shown(pane.Text()), Shown(row.new_text));
    EXPECT_EQ(pane.SelStart(), 0u);  // the caret at the start, as after any new text
    EXPECT_EQ(pane.SelLength(), 0u);
  }

  // Random texts with random line ends, changed in a random place.
  std::mt19937 rng(11);
  const std::u16string pieces[] = {u"G01", u"X1.", u"\r\n", u"\n", u"\r", u" ", u"(A)"};
  const auto random_text = [&](int n) {
    std::u16string t;
    for (int i = 0; i < n; ++i) t += pieces[rng() % 7];
    return t;
  };
  for (int round = 0; round < 300; ++round) {
    const std::u16string old_text = random_text(40);
    const std::size_t at = rng() % (old_text.size() + 1);
    const std::size_t cut = std::min<std::size_t>(rng() % 6, old_text.size() - at);
    const std::u16string new_text =
        old_text.substr(0, at) + random_text(rng() % 3) + old_text.substr(at + cut);
    pane.SetText(old_text);
    pane.SetText(new_text);
    ASSERT_EQ(Shown(pane.Text()), Shown(new_text)) << "from " << Shown(old_text);
  }
}

TEST(NcTextEdit, ClipboardKeepsOwnTextAndMakesForeignLfCrLf) {
  NcTextEdit::PutOnClipboard(u"A\nB\r\nC\rD\xDC81");
  EXPECT_EQ(Shown(NcTextEdit::ClipboardText()), Shown(u"A\nB\r\nC\rD\xDC81"));

  QApplication::clipboard()->setText(QStringLiteral("G01\nX1\r\nY2\n"));
  EXPECT_EQ(Shown(NcTextEdit::ClipboardText()), Shown(u"G01\r\nX1\r\nY2\r\n"));

  NcTextEdit::PutOnClipboard(u"");
  EXPECT_EQ(Utf8(NcTextEdit::ClipboardText()), "");
}

TEST(NcTextEdit, ChangeNotificationComesAfterTheLineEndsAreKept) {
  NcTextEdit pane;
  std::vector<std::string> seen;
  QObject::connect(&pane, &QPlainTextEdit::textChanged,
                   [&] { seen.push_back(Shown(pane.Text())); });
  pane.SetText(u"A\nB");
  pane.Select(1, 1);
  pane.ReplaceSelection(u"\r");
  EXPECT_EQ(seen, (std::vector<std::string>{"A<LF>B", "A<CR>B"}));
}

// A 20 MB program must go in and come out quickly; the bench script measures it in the whole
// window. The bound here only catches work that grows faster than the text.
TEST(NcTextEdit, LargeProgramGoesInAndOutQuickly) {
  std::u16string line = u"N12345 G01 X-123.456 Y78.9 Z-1.5 F1200\r\n";
  std::u16string text;
  text.reserve(20u << 20);
  while (text.size() < (20u << 20)) text += line;
  NcTextEdit pane;
  QElapsedTimer timer;
  timer.start();
  pane.SetText(text);
  const qint64 set_ms = timer.restart();
  const std::u16string back = pane.Text();
  const qint64 get_ms = timer.restart();
  pane.Select(text.size() - 10, 5);
  const std::size_t start = pane.SelStart();
  const qint64 select_ms = timer.elapsed();
  std::printf("20 MB: set %lld ms, text %lld ms, select %lld ms\n", static_cast<long long>(set_ms),
              static_cast<long long>(get_ms), static_cast<long long>(select_ms));
  EXPECT_TRUE(back == text);
  EXPECT_EQ(start, text.size() - 10);
  EXPECT_LT(set_ms, 5000);
  EXPECT_LT(get_ms, 5000);
}

}  // namespace
}  // namespace kestrum
