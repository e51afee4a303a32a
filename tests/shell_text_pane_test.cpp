#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <random>
#include <string>
#include <vector>

#include "ncword/nc_tokens.h"
#include "shell/text_pane.h"
#include "io/textcodec.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::U;
using test::Utf8;
using Sci = QsciScintillaBase;

// The text with its line ends and raw bytes spelled out, for readable failures.
std::string Shown(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) {
    if (c == u'\r') {
      out += "<CR>";
    } else if (c == u'\n') {
      out += "<LF>";
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "<%04X>", unsigned{c});
      out += buffer;
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

void Caret(NcTextEdit& pane, std::size_t pos) { pane.Select(pos, 0); }

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
      u"\n\r",  // LF then CR is two line ends, not one
      u"A\u2029B\u2028C\u0085D\u00A0E",
      std::u16string(u"X\0Y", 3),
      u"(\xDC81\xDCFF)",        // bytes that were not Shift-JIS
      u"(\xDCEB\xDC80\xDC80)",  // three such bytes that spell a character in UTF-8
      u"(荒加工 😀 \uFFFF)\r\n",
  };
  NcTextEdit pane;
  for (const std::u16string& text : rows) {
    SCOPED_TRACE(Shown(text));
    pane.SetText(text);
    EXPECT_EQ(Shown(pane.Text()), Shown(text));
    pane.Select(0, text.size());
    EXPECT_EQ(pane.SelLength(), text.size());
    EXPECT_EQ(Shown(pane.SelectedText()), Shown(text));
  }
}

// Any file the editor reads comes back to its bytes from the pane.
TEST(NcTextEdit, AnyFileComesBackFromThePane) {
  std::mt19937 random(1207);
  NcTextEdit pane;
  for (int round = 0; round < 300; ++round) {
    std::string bytes(random() % 500, '\0');
    for (auto& b : bytes) b = static_cast<char>(random());
    if (round % 3 == 0) {
      for (auto& b : bytes) {
        if (random() % 4) b = static_cast<char>("0123456789GXY \r\n"[random() % 16]);
      }
    }
    const DecodedText decoded = DecodeText(bytes);
    pane.SetText(decoded.text);
    ASSERT_EQ(Shown(pane.Text()), Shown(decoded.text)) << "round " << round;
    ASSERT_EQ(EncodeText(pane.Text(), decoded.encoding), bytes) << "round " << round;
  }
}

TEST(NcTextEdit, TypedNewLineEndsInCrLfAndKeepsTheOldEndBehind) {
  const struct {
    const char16_t* text;
    std::size_t caret;
    const char16_t* expected;
  } rows[] = {
      {u"AB\nCD", 1, u"A\r\nB\nCD"},  // inside an LF line
      {u"AB\nCD", 2, u"AB\r\n\nCD"},  // at its end
      {u"AB\nCD", 3, u"AB\n\r\nCD"},  // at the start of the next line
      {u"AB\rCD", 0, u"\r\nAB\rCD"},  // at the very start
      {u"AB\rCD", 5, u"AB\rCD\r\n"},  // at the very end
      {u"AB\r\nCD", 5, u"AB\r\nC\r\nD"},
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

  pane.SetText(u"AB\r\nCD");
  Caret(pane, 4);  // Backspace takes a CR LF whole
  Key(pane, Qt::Key_Backspace);
  EXPECT_EQ(Shown(pane.Text()), Shown(u"ABCD"));

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

// Positions are UTF-16 code units of the text: CR LF is two, a character beyond the BMP two,
// a raw byte one, whatever the pane's UTF-8 takes for them.
TEST(NcTextEdit, PositionsCountUtf16CodeUnits) {
  NcTextEdit pane;
  pane.SetText(u"G01\r\nX1\nY2\r\n");
  pane.Select(5, 2);
  EXPECT_EQ(pane.SelStart(), 5u);
  EXPECT_EQ(pane.SelLength(), 2u);
  EXPECT_EQ(Utf8(pane.SelectedText()), "X1");
  pane.Select(1, 8);
  EXPECT_EQ(Shown(pane.SelectedText()), Shown(u"01\r\nX1\nY"));

  const std::u16string text = u"(荒)😀\xDC81X\r\n工具";
  pane.SetText(text);
  const struct {
    std::size_t start, length;
    std::size_t sel_start, sel_length;  // what the pane makes of them
  } rows[] = {
      {1, 1, 1, 1}, {3, 2, 3, 2},   {5, 2, 5, 2},  // 荒, the emoji, raw byte and X
      {4, 1, 3, 2},                                // inside the pair: before it
      {7, 1, 7, 0},                                // between CR and LF: before the CR
      {9, 2, 9, 2}, {11, 5, 11, 0}, {100, 5, 11, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.start) + "+" + std::to_string(row.length));
    pane.Select(row.start, row.length);
    EXPECT_EQ(pane.SelStart(), row.sel_start);
    EXPECT_EQ(pane.SelLength(), row.sel_length);
    EXPECT_EQ(Shown(pane.SelectedText()), Shown(text.substr(row.sel_start, row.sel_length)));
  }
}

// Scintilla's UTF-16 index miscounts a line whose CR an LF comes to follow; the pane puts it
// right. Every position must come back as itself afterwards. (A document of ASCII alone
// needs no index: 工 makes the pane keep one.)
TEST(NcTextEdit, PositionsStayRightWhenCrAndLfComeTogether) {
  const struct {
    const char16_t* text;
    std::size_t at;
    int key;  // Backspace or Delete at `at`, or 0: insert `insert` there
    const char16_t* insert;
    const char16_t* expected;
  } rows[] = {
      {u"工\rX\nB\r\nC", 3, Qt::Key_Backspace, nullptr, u"工\r\nB\r\nC"},
      {u"工\rX\nB", 2, Qt::Key_Delete, nullptr, u"工\r\nB"},
      {u"工\rB", 2, 0, u"\nC", u"工\r\nCB"},
      {u"工\r\rX\n\n", 3, Qt::Key_Delete, nullptr, u"工\r\r\n\n"},
      {u"A\rX\nB", 2, Qt::Key_Delete, nullptr, u"A\r\nB"},  // ASCII alone: no index
  };
  NcTextEdit pane;
  for (const auto& row : rows) {
    SCOPED_TRACE(Shown(row.text));
    pane.SetText(row.text);
    Caret(pane, row.at);
    if (row.key) {
      Key(pane, row.key);
    } else {
      pane.ReplaceSelection(row.insert);
    }
    const std::u16string text = pane.Text();
    ASSERT_EQ(Shown(text), Shown(row.expected));
    for (std::size_t p = 0; p <= text.size(); ++p) {
      pane.Select(p, 0);
      const bool inside_crlf = p > 0 && p < text.size() && text[p - 1] == u'\r' && text[p] == u'\n';
      EXPECT_EQ(pane.SelStart(), inside_crlf ? p - 1 : p) << "position " << p;
    }
  }
  // A new text that shares the old one up to a CR, and goes on with an LF.
  pane.SetText(u"工1\rN2");
  pane.SetText(u"工1\r\nN2\nN3\rN4");
  pane.Select(0, 12);
  EXPECT_EQ(pane.SelLength(), 12u);
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
  const auto pick = [&rng](std::size_t n) { return rng() % n; };

  NcTextEdit pane;
  std::vector<Line> model;
  const auto joined = [&model] {
    std::u16string out;
    for (const Line& l : model) out += l.text + l.end;
    return out;
  };
  const auto at = [&model](std::size_t line, std::size_t column) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < line; ++i) pos += model[i].text.size() + model[i].end.size();
    return pos + column;
  };

  for (int round = 0; round < 40; ++round) {
    model.clear();
    for (std::size_t i = 0, n = 1 + pick(5); i < n; ++i) {
      // Japanese and raw bytes too: they are several bytes, or one unit, in the pane.
      const char16_t fill[] = {u'a', u'工', 0xDC85, u'b', u'c'};
      model.push_back({std::u16string(pick(4), fill[i]), i + 1 < n ? ends[pick(3)] : u""});
    }
    pane.SetText(joined());
    for (int step = 0; step < 12; ++step) {
      const std::size_t line = pick(model.size());
      const std::size_t column = pick(model[line].text.size() + 1);
      switch (pick(4)) {
        case 0: {  // Enter
          Caret(pane, at(line, column));
          Key(pane, Qt::Key_Return, QStringLiteral("\r"));
          Line tail{model[line].text.substr(column), model[line].end};
          model[line] = {model[line].text.substr(0, column), u"\r\n"};
          model.insert(model.begin() + static_cast<std::ptrdiff_t>(line) + 1, tail);
          break;
        }
        case 1:  // Backspace at the start of a line joins it to the one before
          if (line == 0) break;
          Caret(pane, at(line, 0));
          Key(pane, Qt::Key_Backspace);
          model[line - 1] = {model[line - 1].text + model[line].text, model[line].end};
          model.erase(model.begin() + static_cast<std::ptrdiff_t>(line));
          break;
        case 2: {  // a selection to a later line removed
          const std::size_t last = line + pick(model.size() - line);
          const std::size_t last_column = last == line ? column : pick(model[last].text.size() + 1);
          pane.Select(at(line, column), at(last, last_column) - at(line, column));
          pane.ReplaceSelection(u"");
          model[line] = {model[line].text.substr(0, column) + model[last].text.substr(last_column),
                         model[last].end};
          model.erase(model.begin() + static_cast<std::ptrdiff_t>(line) + 1,
                      model.begin() + static_cast<std::ptrdiff_t>(last) + 1);
          break;
        }
        case 3: {  // text with its own line ends inserted
          Caret(pane, at(line, column));
          const std::u16string& end = ends[pick(3)];
          pane.ReplaceSelection(u"x" + end + u"y");
          Line tail{u"y" + model[line].text.substr(column), model[line].end};
          model[line] = {model[line].text.substr(0, column) + u"x", end};
          model.insert(model.begin() + static_cast<std::ptrdiff_t>(line) + 1, tail);
          break;
        }
      }
      ASSERT_EQ(Shown(pane.Text()), Shown(joined())) << "round " << round << " step " << step;
    }
  }
}

// Raw bytes that an edit brings together must not turn into a character: "\xEB" and
// "\x80\x80" are three characters of a Shift-JIS file, not the UTF-8 of U+B000.
TEST(NcTextEdit, EditsBetweenRawBytesKeepThem) {
  const std::u16string raw_lead = u"\xDCEB";
  const std::u16string raw_trails = u"\xDC80\xDC80";
  NcTextEdit pane;
  // The character between them deleted: by a command, by Backspace, by Delete.
  for (int how = 0; how < 3; ++how) {
    SCOPED_TRACE(how);
    pane.SetText(raw_lead + u"A" + raw_trails + u"\r\n");
    if (how == 0) {
      pane.Select(1, 1);
      pane.ReplaceSelection(u"");
    } else {
      Caret(pane, how == 1 ? 2 : 1);
      Key(pane, how == 1 ? Qt::Key_Backspace : Qt::Key_Delete);
    }
    EXPECT_EQ(Shown(pane.Text()), Shown(raw_lead + raw_trails + u"\r\n"));
  }
  // Raw bytes put next to raw bytes already there, on either side.
  pane.SetText(raw_lead + u"|");
  pane.Select(1, 1);
  pane.ReplaceSelection(raw_trails);
  EXPECT_EQ(Shown(pane.Text()), Shown(raw_lead + raw_trails));
  pane.SetText(u"|" + raw_trails);
  pane.Select(0, 1);
  pane.ReplaceSelection(raw_lead);
  EXPECT_EQ(Shown(pane.Text()), Shown(raw_lead + raw_trails));
  // Cut and pasted through the clipboard.
  pane.SetText(raw_lead + raw_trails + u"X");
  pane.Select(0, 3);
  NcTextEdit::PutOnClipboard(pane.SelectedText());
  pane.Select(4, 0);
  pane.ReplaceSelection(NcTextEdit::ClipboardText());
  EXPECT_EQ(Shown(pane.Text()), Shown(raw_lead + raw_trails + u"X" + raw_lead + raw_trails));
}

// SetText puts in only what changed when the new text shares most of the old one; the text
// must come out the same as after putting it in whole.
TEST(NcTextEdit, NewTextSharingMostOfTheOldComesOutExactly) {
  const struct {
    std::u16string old_text;
    std::u16string new_text;
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
      {u"(荒加工)", u"(荒工)"},                                  // shares bytes of 荒 and 工
      {u"(\xDCC1\xDC81)", u"(\xDCE3\xDC81\xDC82)"},              // a raw C1, then a placeholder C1
      {u"(\xDCE3\xDC81\xDC82)", u"(\xDCC1\xDC81\xDC82)"},
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
  const std::u16string pieces[] = {u"G01", u"X1.",  u"\r\n",   u"\n",    u"\r",
                                   u" ",   u"(工)", u"\xDCEB", u"\xDC80"};
  const auto random_text = [&](int n) {
    std::u16string t;
    for (int i = 0; i < n; ++i) t += pieces[rng() % std::size(pieces)];
    return t;
  };
  for (int round = 0; round < 300; ++round) {
    const std::u16string old_text = random_text(40);
    const std::size_t at = rng() % (old_text.size() + 1);
    const std::size_t cut = std::min<std::size_t>(rng() % 6, old_text.size() - at);
    const std::u16string new_text = old_text.substr(0, at) +
                                    random_text(static_cast<int>(rng() % 3)) +
                                    old_text.substr(at + cut);
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

// The preview cuts, copies and pastes through Scintilla's own commands: the same rules.
TEST(NcTextEdit, ScintillasOwnClipboardCommandsKeepTheText) {
  NcTextEdit pane;
  pane.SetText(u"A\xDCEB\xDC80\xDC80\nB");
  pane.Select(1, 4);
  pane.copy();
  EXPECT_EQ(Shown(NcTextEdit::ClipboardText()), Shown(u"\xDCEB\xDC80\xDC80\n"));
  pane.Select(6, 0);
  pane.paste();
  EXPECT_EQ(Shown(pane.Text()), Shown(u"A\xDCEB\xDC80\xDC80\nB\xDCEB\xDC80\xDC80\n"));

  QApplication::clipboard()->setText(QStringLiteral("X\nY"));
  pane.SetText(u"");
  pane.paste();
  EXPECT_EQ(Shown(pane.Text()), Shown(u"X\r\nY"));
}

// Text dropped on a pane goes in as the clipboard's does.
TEST(NcTextEdit, DroppedTextKeepsItsBytesAndLineEnds) {
  NcTextEdit pane;
  pane.resize(300, 200);
  pane.SetText(u"");
  auto* data = new QMimeData;
  const std::u16string exact = u"G01\n\xDCEB\xDC80\xDC80\r\n";
  data->setData(QStringLiteral("application/x-kestrum-text"),
                QByteArray(reinterpret_cast<const char*>(exact.data()),
                           static_cast<qsizetype>(exact.size() * 2)));
  QDragEnterEvent enter(QPoint(40, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(pane.viewport(), &enter);
  QDragMoveEvent move(QPoint(40, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(pane.viewport(), &move);
  QDropEvent drop(QPointF(40, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(pane.viewport(), &drop);
  EXPECT_EQ(Shown(pane.Text()), Shown(exact));
  delete data;
}

TEST(NcTextEdit, ChangeNotificationComesOncePerCommandAndPerTypedKey) {
  NcTextEdit pane;
  std::vector<std::string> seen;
  QObject::connect(&pane, &NcTextEdit::Changed, [&] { seen.push_back(Shown(pane.Text())); });
  pane.SetText(u"A\nB");
  pane.Select(1, 1);
  pane.ReplaceSelection(u"\r");
  Key(pane, Qt::Key_X, QStringLiteral("X"));
  EXPECT_EQ(seen, (std::vector<std::string>{"A<LF>B", "A<CR>B", "A<CR>XB"}));
}

// Japanese comes in through the input method: the text being composed shows in place, and
// only what is committed stays.
TEST(NcTextEdit, InputMethodComposesInPlace) {
  NcTextEdit pane;
  pane.SetText(u"G01()\r\n");
  pane.Select(4, 0);
  const auto compose = [&pane](const QString& preedit, const QString& commit) {
    QInputMethodEvent e(
        preedit, {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor,
                                               static_cast<int>(preedit.size()), 1, QVariant())});
    e.setCommitString(commit);
    QApplication::sendEvent(&pane, &e);
  };
  compose(QStringLiteral("か"), QString());
  EXPECT_EQ(Utf8(pane.Text()), "G01(か)\r\n");
  compose(QStringLiteral("かこう"), QString());
  EXPECT_EQ(Utf8(pane.Text()), "G01(かこう)\r\n");
  compose(QStringLiteral("加工"), QString());
  EXPECT_EQ(Utf8(pane.Text()), "G01(加工)\r\n");
  compose(QString(), QStringLiteral("加工"));
  EXPECT_EQ(Utf8(pane.Text()), "G01(加工)\r\n");
  EXPECT_EQ(pane.SelStart(), 6u);
  // What the input method sees around the caret: its line.
  QWidget& widget = pane;
  EXPECT_EQ(widget.inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("G01(加工)"));
  EXPECT_EQ(widget.inputMethodQuery(Qt::ImCursorPosition).toInt(), 6);
  // A composition given up leaves nothing behind.
  compose(QStringLiteral("あ"), QString());
  compose(QString(), QString());
  EXPECT_EQ(Utf8(pane.Text()), "G01(加工)\r\n");
  // Typing after it works as before.
  Key(pane, Qt::Key_X, QStringLiteral("X"));
  EXPECT_EQ(Utf8(pane.Text()), "G01(加工X)\r\n");
}

// Styles as Scintilla keeps them, for the lines asked.
std::string Styles(NcTextEdit& pane) {
  pane.SendScintilla(Sci::SCI_COLOURISE, 0, -1);
  std::string out;
  const long length = pane.SendScintilla(Sci::SCI_GETLENGTH);
  for (long i = 0; i < length; ++i) {
    const char c =
        static_cast<char>(pane.SendScintilla(Sci::SCI_GETCHARAT, static_cast<unsigned long>(i)));
    if (c == '\r' || c == '\n') {
      if (c == '\n') out += '/';
      continue;
    }
    out += " GMNOACV?"[pane.SendScintilla(Sci::SCI_GETSTYLEAT, static_cast<unsigned long>(i))];
  }
  return out;
}

TEST(NcLexer, ColoursWordsAndCarriesOpenComments) {
  NcTextEdit pane;
  pane.SetText(u"G01 X1.\r\n(OPEN\r\nX2)M3\r\nN1\r\n");
  EXPECT_EQ(Styles(pane), "GGG AAA/CCCCC/CCCMM/NN/");
  // Closing the comment on its own line recolours the lines after it.
  pane.Select(14, 0);
  pane.ReplaceSelection(u")");
  EXPECT_EQ(Styles(pane), "GGG AAA/CCCCCC/AA?MM/NN/");
  // Opening one runs to the end.
  pane.Select(0, 0);
  pane.ReplaceSelection(u"(");
  EXPECT_EQ(Styles(pane), "CCCCCCCC/CCCCCC/AA?MM/NN/");
}

// An edit that leaves the open-comment state at its line's end as it was restyles that line
// only; one that changes it restyles on until the state is the same again.
TEST(NcLexer, EditRestylesOnlyAsFarAsTheCommentStateChanges) {
  NcTextEdit pane;
  std::u16string text;
  for (int i = 0; i < 30; ++i) text += u"G01 X1.\r\n";
  pane.SetText(text);
  pane.SendScintilla(Sci::SCI_COLOURISE, 0, -1);
  // Mark line 20 with a style no word has, so that a restyle of it shows.
  const long line20 = pane.SendScintilla(Sci::SCI_POSITIONFROMLINE, 20);
  pane.SendScintilla(Sci::SCI_STARTSTYLING, static_cast<unsigned long>(line20));
  pane.SendScintilla(Sci::SCI_SETSTYLING, 3, 20);
  const auto line20_style = [&] {
    const long now = pane.SendScintilla(Sci::SCI_POSITIONFROMLINE, 20);
    return pane.SendScintilla(Sci::SCI_GETSTYLEAT, static_cast<unsigned long>(now + 1));
  };
  pane.Select(3 * 9 + 3, 0);  // line 3, after G01
  pane.ReplaceSelection(u"Y2.");
  pane.SendScintilla(Sci::SCI_COLOURISE, 0, -1);
  EXPECT_EQ(line20_style(), 20) << "line 20 was restyled";
  // "(" leaves a comment open: every line after it is restyled.
  pane.Select(3 * 9, 0);
  pane.ReplaceSelection(u"(");
  pane.SendScintilla(Sci::SCI_COLOURISE, 0, -1);
  EXPECT_EQ(line20_style(), static_cast<long>(NcTokenKind::kComment));
}

TEST(NcTextEdit, ChangeMarkersFollowTheirLinesAndF7FindsThem) {
  NcTextEdit pane;
  std::u16string text;
  for (int i = 0; i < 40; ++i) text += u"X" + U(std::to_string(i)) + u"\r\n";
  pane.SetText(text);
  pane.resize(300, 400);
  pane.SetChangedLines({{2, 4}, {30, 31}});
  const auto marked = [&](long line) {
    return pane.SendScintilla(Sci::SCI_MARKERGET, static_cast<unsigned long>(line)) != 0;
  };
  EXPECT_TRUE(marked(2));
  EXPECT_TRUE(marked(3));
  EXPECT_FALSE(marked(4));
  // A line typed above the run moves it down.
  pane.Select(0, 0);
  pane.ReplaceSelection(u"G90\r\n");
  EXPECT_EQ(pane.ChangedLines(), (LineRuns{{3, 5}, {31, 32}}));
  EXPECT_FALSE(marked(2));
  EXPECT_TRUE(marked(3));
  // F7 goes from run to run; the caret stands on the run's first line.
  pane.Select(0, 0);
  EXPECT_TRUE(pane.GoToChange(true));
  EXPECT_EQ(pane.SelStart(), 5u + 4u + 4u);  // "G90\r\n" "X0\r\n" "X1\r\n"
  EXPECT_TRUE(pane.GoToChange(true));
  EXPECT_EQ(
      pane.SendScintilla(Sci::SCI_LINEFROMPOSITION, pane.SendScintilla(Sci::SCI_GETCURRENTPOS)),
      31);
  EXPECT_TRUE(marked(31)) << "markers are put on the lines that come into view";
  EXPECT_FALSE(pane.GoToChange(true));
  EXPECT_TRUE(pane.GoToChange(false));
  EXPECT_FALSE(pane.GoToChange(false));
  // A new text clears them.
  pane.SetText(u"A");
  EXPECT_TRUE(pane.ChangedLines().empty());
  EXPECT_FALSE(marked(0));
}

TEST(NcTextEdit, TakingTheOtherPanesTextLeavesItEmpty) {
  NcTextEdit source;
  NcTextEdit preview;
  source.SetText(u"OLD");
  preview.SetText(u"G01 (\xDCEB\xDC80\xDC80)\r\n");
  preview.SetChangedLines({{0, 1}});
  int changes = 0;
  QObject::connect(&source, &NcTextEdit::Changed, [&] { ++changes; });
  source.TakeTextOf(preview);
  EXPECT_EQ(Shown(source.Text()), Shown(u"G01 (\xDCEB\xDC80\xDC80)\r\n"));
  EXPECT_EQ(Utf8(preview.Text()), "");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(source.SendScintilla(Sci::SCI_MARKERGET, 0), 0) << "the preview's markers stay there";
  // Both go on working.
  source.Select(0, 3);
  source.ReplaceSelection(u"G02");
  preview.SetText(u"N1");
  EXPECT_EQ(Shown(source.Text()), Shown(u"G02 (\xDCEB\xDC80\xDC80)\r\n"));
  EXPECT_EQ(Utf8(preview.Text()), "N1");
}

// A large program must go in and come out quickly; bench/gui_large_file.sh measures it in the
// whole window. The bounds here only catch work that grows faster than the text.
TEST(NcTextEdit, LargeProgramGoesInAndOutQuickly) {
  const std::u16string line = u"N12345 G01 X-123.456 Y78.9 Z-1.5 F1200\r\n";
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
  for (int i = 0; i < 1000; ++i)
    pane.Select(text.size() - 10 - static_cast<std::size_t>(i) * 997, 5);
  const std::size_t start = pane.SelStart();
  const qint64 select_ms = timer.restart();
  pane.Select(text.size() / 2, line.size());
  pane.ReplaceSelection(u"");
  const qint64 cut_ms = timer.elapsed();
  std::printf("20 MB: set %lld ms, text %lld ms, 1000 selections %lld ms, cut %lld ms\n",
              static_cast<long long>(set_ms), static_cast<long long>(get_ms),
              static_cast<long long>(select_ms), static_cast<long long>(cut_ms));
  EXPECT_TRUE(back == text);
  EXPECT_EQ(start, text.size() - 10 - 999 * 997);
  using test::kSlowBuildFactor;
  EXPECT_LT(set_ms, 5000 * kSlowBuildFactor);
  EXPECT_LT(get_ms, 5000 * kSlowBuildFactor);
  EXPECT_LT(select_ms, 2000 * kSlowBuildFactor) << "a selection must not walk the document";
  EXPECT_LT(cut_ms, 2000 * kSlowBuildFactor);
}

}  // namespace
}  // namespace kestrum
