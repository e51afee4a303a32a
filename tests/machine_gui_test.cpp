// The Machine dialog opened from the main window's menu: the grid edited with real key and
// mouse events, the table file loaded and saved, and the translation into the preview.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "machine/conversion_table.h"
#include "machine/machine_dialog.h"
#include "shell/main_window.h"
#include "shell/text_pane.h"
#include "tests/cli_util.h"
#include "tests/gui_util.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::Click;
using test::Find;
using test::ReadBytes;
using test::ScriptedPrompts;
using test::Str;
using test::TempDir;
using test::Trigger;
using test::U;
using test::Utf8;
using test::WithModal;
using test::WriteBytes;

constexpr const char* kTable = "table.csv";

// A table whose row 2 names the direction FANUC to OSP; row 3's before is "B3".
ConversionTable FanucToOsp() {
  ConversionTable t;
  for (int row = 1; row <= kLastRow; ++row) {
    t.rows[row] = {{TableField::Kind::kText, u"item" + test::U(std::to_string(row))},
                   {TableField::Kind::kText, u"B" + test::U(std::to_string(row))},
                   {TableField::Kind::kText, u"A" + test::U(std::to_string(row))}};
  }
  t.rows[2].before.text = u"FANUC";
  t.rows[2].after.text = u"OSP";
  t.rows[6].before.text = u"M03";
  t.rows[6].after.text = u"M03";
  return t;
}

class MachineGui : public testing::Test {
 protected:
  MachineGui() {
    WriteBytes(folder_.path / kTable, *WriteConversionTable(FanucToOsp()));
    window_ = std::make_unique<frmMain>(QString(), ShellPlatform{&prompts_, &keys_});
    window().module().MachinePath = U(folder_.path.string());
    window().module().MachineFileName = U(kTable);
  }
  frmMain& window() { return *window_; }

  // Opens the dialog through the menu and runs answer while it is open.
  void Open(const std::function<void(Machine&)>& answer) {
    WithModal<Machine>([&] { Trigger(&window(), "mnuConvertMachine"); }, answer);
  }

  static QTableWidget& Grid(Machine& d) { return *Find<QTableWidget>(&d, "MSFlexGrid1"); }
  static QLineEdit& Editor(Machine& d) { return *Find<QLineEdit>(&d, "Text1"); }
  static std::string Cell(Machine& d, int row, int column) {
    return Str(Grid(d).item(row, column)->text());
  }
  static std::string Before(Machine& d, int row) { return Utf8(d.table().rows[row].before.text); }

  // A double-click on the cell as the mouse makes it: a click, then the second press that
  // arrives as the double-click (QTest::mouseDClick alone sends only the latter).
  static void DoubleClick(Machine& d, int row, int column) {
    QTableWidget& grid = Grid(d);
    const QPoint at = grid.visualItemRect(grid.item(row, column)).center();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }
  static void Key(QWidget* widget, Qt::Key key, const QString& text = {}) {
    QTest::sendKeyEvent(QTest::Press, widget, key, text, Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, widget, key, text, Qt::NoModifier);
  }

  std::string TakeMessages() { return prompts_.TakeTexts(); }

  test::TempSettings settings_;
  TempDir folder_;
  ScriptedPrompts prompts_;
  ProgramKeyState keys_;
  std::unique_ptr<frmMain> window_;
};

TEST_F(MachineGui, OpensWithTheGridAndTheTableOfTheFile) {
  Open([&](Machine& d) {
    EXPECT_EQ(Str(d.windowTitle()), "機種間の変換");
    QTableWidget& grid = Grid(d);
    ASSERT_EQ(grid.rowCount(), 101);
    ASSERT_EQ(grid.columnCount(), 4);
    const char* headings[] = {"No.", "項　目", "変換前", "変換後"};
    for (int column = 0; column < 4; ++column) {
      EXPECT_EQ(Cell(d, 0, column), headings[column]);
      EXPECT_EQ(Str(grid.horizontalHeaderItem(column)->text()), headings[column]);
      EXPECT_EQ(grid.item(0, column)->textAlignment(), Qt::AlignCenter);
    }
    EXPECT_EQ(grid.horizontalHeader()->defaultAlignment(), Qt::AlignCenter);
    for (int row : {1, 2, 57, 100}) {
      EXPECT_EQ(Cell(d, row, 0), std::to_string(row));
      EXPECT_EQ(Str(grid.verticalHeaderItem(row)->text()), std::to_string(row));
      EXPECT_EQ(grid.item(row, 2)->textAlignment(), Qt::AlignCenter);
      EXPECT_EQ(grid.item(row, 3)->textAlignment(), Qt::AlignCenter);
    }
    // Twips through the screen's dots per inch: 2650 twips at 96 dpi are 177 pixels.
    const double dpi = d.screen()->logicalDotsPerInchX();
    EXPECT_EQ(grid.columnWidth(1), std::lround(2650 * dpi / 1440));
    EXPECT_EQ(grid.columnWidth(3), std::lround(2150 * dpi / 1440));
    EXPECT_EQ(grid.rowHeight(5), std::lround(350 * d.screen()->logicalDotsPerInchY() / 1440));

    EXPECT_EQ(Cell(d, 2, 2), "FANUC");
    EXPECT_EQ(Cell(d, 100, 3), "A100");
    EXPECT_EQ(Before(d, 3), "B3");
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_EQ(grid.currentColumn(), 2);
    EXPECT_EQ(Str(Find<QLineEdit>(&d, "MachineFile")->text()), "TABLE.CSV");

    QLineEdit& editor = Editor(d);
    EXPECT_TRUE(editor.isHidden());
    EXPECT_EQ(editor.palette().color(QPalette::Base), QColor(255, 255, 128));
    EXPECT_EQ(Str(Find<QPushButton>(&d, "OKButton")->text()), "変　換");
    EXPECT_EQ(Str(Find<QPushButton>(&d, "CancelButton")->text()), "ｷｬﾝｾﾙ");
    EXPECT_EQ(Str(Find<QPushButton>(&d, "Command1")->text()), "ファイル読込");
    EXPECT_EQ(Str(Find<QPushButton>(&d, "Command2")->text()), "保存");
    EXPECT_EQ(Str(Find<QLabel>(&d, "Label1")->text()), "設定ファイル名");
    EXPECT_EQ(Str(Find<QCheckBox>(&d, "Check1")->text()), "RTS,M99,M00,M01の後に改行を追加。");
    EXPECT_EQ(Str(Find<QLabel>(&d, "Label2")->text()),
              "FANUC_MC→OSP (U,W,G0-4,G10,G27,G28,G29,G30,G43,G49,G52 G53,G54,G55,,G56,G57,G58,"
              "G59,G65 ,G66,G67 G98,G99対応済)");
  });
  EXPECT_EQ(TakeMessages(), "");
}

TEST_F(MachineGui, TypedCharacterOpensTheEditorAndEnterStoresAndMovesDown) {
  Open([&](Machine& d) {
    QTableWidget& grid = Grid(d);
    grid.setCurrentCell(3, 2);
    QTest::keyClick(&grid, 'X');
    QLineEdit& editor = Editor(d);
    ASSERT_FALSE(editor.isHidden());
    EXPECT_EQ(Str(editor.text()), "X");
    EXPECT_EQ(editor.alignment(), Qt::AlignCenter);
    EXPECT_EQ(editor.geometry().size(), grid.visualItemRect(grid.item(3, 2)).size());
    QTest::keyClicks(&editor, "12");
    Key(&editor, Qt::Key_Return);
    EXPECT_TRUE(editor.isHidden());
    EXPECT_EQ(Cell(d, 3, 2), "X12");
    EXPECT_EQ(Before(d, 3), "X12");
    EXPECT_EQ(grid.currentRow(), 4);
    EXPECT_TRUE(d.isVisible());  // Enter in the editor runs no translation
    // Enter on the grid opens the editor on the cell's text instead of translating.
    Key(&grid, Qt::Key_Return);
    EXPECT_FALSE(editor.isHidden());
    EXPECT_EQ(Str(editor.text()), "B4");
    EXPECT_TRUE(d.isVisible());
  });
}

TEST_F(MachineGui, DoubleClickEditsTheCellTextAndEscLeavesItAsItWas) {
  Open([&](Machine& d) {
    DoubleClick(d, 3, 2);
    QLineEdit& editor = Editor(d);
    ASSERT_FALSE(editor.isHidden());
    EXPECT_EQ(Str(editor.text()), "B3");
    EXPECT_EQ(editor.cursorPosition(), 2);
    QTest::keyClicks(&editor, "99");
    Key(&editor, Qt::Key_Escape);
    EXPECT_TRUE(editor.isHidden());
    EXPECT_TRUE(d.isVisible());  // Esc in the editor does not close the dialog
    EXPECT_EQ(Cell(d, 3, 2), "B3");
    EXPECT_EQ(Before(d, 3), "B3");
  });
}

TEST_F(MachineGui, ItemNamesOfTheFirstSixRowsAreFixed) {
  Open([&](Machine& d) {
    QTableWidget& grid = Grid(d);
    QLineEdit& editor = Editor(d);
    for (int row = 1; row <= 6; ++row) {
      SCOPED_TRACE(row);
      grid.setCurrentCell(row, 1);
      QTest::keyClick(&grid, 'Q');
      DoubleClick(d, row, 1);
      EXPECT_TRUE(editor.isHidden());
    }
    DoubleClick(d, 7, 1);
    ASSERT_FALSE(editor.isHidden());
    EXPECT_EQ(Str(editor.text()), "item7");
    EXPECT_EQ(editor.alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    QTest::keyClick(&editor, Qt::Key_Backspace);
    Key(&editor, Qt::Key_Return);
    EXPECT_EQ(Utf8(d.table().rows[7].item.text), "item");
  });
}

TEST_F(MachineGui, EnterOnTheLastRowStoresAndStays) {
  Open([&](Machine& d) {
    QTableWidget& grid = Grid(d);
    grid.setCurrentCell(100, 3);
    QTest::keyClick(&grid, 'R');
    Key(&Editor(d), Qt::Key_Return);
    EXPECT_EQ(Utf8(d.table().rows[100].after.text), "R");
    EXPECT_EQ(grid.currentRow(), 100);
    EXPECT_EQ(grid.currentColumn(), 3);
  });
}

TEST_F(MachineGui, UpDownTabAndLeavingTheCellCommitToGridAndTable) {
  Open([&](Machine& d) {
    QTableWidget& grid = Grid(d);
    QLineEdit& editor = Editor(d);
    grid.setCurrentCell(10, 2);
    QTest::keyClick(&grid, 'U');
    Key(&editor, Qt::Key_Up);
    EXPECT_EQ(Cell(d, 10, 2), "U");
    EXPECT_EQ(grid.currentRow(), 9);

    QTest::keyClick(&grid, 'D');
    Key(&editor, Qt::Key_Down);
    EXPECT_EQ(Cell(d, 9, 2), "D");
    EXPECT_EQ(grid.currentRow(), 10);

    QTest::keyClick(&grid, 'T');
    Key(&editor, Qt::Key_Tab);
    EXPECT_EQ(Cell(d, 10, 2), "T");
    EXPECT_EQ(grid.currentRow(), 11);

    QTest::keyClick(&grid, 'L');
    const QPoint other = grid.visualItemRect(grid.item(11, 3)).center();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, other);
    EXPECT_TRUE(editor.isHidden());
    EXPECT_EQ(Cell(d, 11, 2), "L");

    grid.setCurrentCell(1, 2);
    Key(&editor, Qt::Key_Up);  // row 1 stays row 1
    EXPECT_EQ(grid.currentRow(), 1);
    // Every text the grid shows is in the table that Save and the translation use.
    EXPECT_EQ(Before(d, 10), "T");
    EXPECT_EQ(Before(d, 9), "D");
    EXPECT_EQ(Before(d, 11), "L");
  });
}

TEST_F(MachineGui, LoadsAChosenFileAndCancelChangesNothing) {
  TempDir other;
  ConversionTable t = FanucToOsp();
  t.rows[3].before.text = u"OTHER";
  WriteBytes(other.path / "機械.csv", *WriteConversionTable(t));
  prompts_.open_files = {QString(), QString::fromStdString((other.path / "機械.csv").string())};
  Open([&](Machine& d) {
    Click(&d, "Command1");  // cancelled
    EXPECT_EQ(Before(d, 3), "B3");
    EXPECT_EQ(Str(prompts_.last_folder), folder_.path.string());
    EXPECT_EQ(Str(prompts_.last_filter), "CSV Files (*.csv);;All Files (*)");
    Click(&d, "Command1");
    EXPECT_EQ(Before(d, 3), "OTHER");
    EXPECT_EQ(Cell(d, 3, 2), "OTHER");
    EXPECT_EQ(Str(Find<QLineEdit>(&d, "MachineFile")->text()), "機械.CSV");
  });
  EXPECT_EQ(Utf8(window().module().MachinePath), other.path.string());
  EXPECT_EQ(Utf8(window().module().MachineFileName), "機械.csv");
  EXPECT_EQ(TakeMessages(), "");
}

TEST_F(MachineGui, BrokenOrMissingFileSaysSoAndKeepsTheRowsReadAndTheName) {
  TempDir other;
  ConversionTable t = FanucToOsp();
  t.rows[1].before.text = u"ONE";
  // Rows 1 and 2 whole, then a quote left open.
  const std::string whole = *WriteConversionTable(t);
  WriteBytes(other.path / "broken.csv",
             whole.substr(0, whole.find("\"item3\"")) + "\"item3\",\"open\r\n");
  prompts_.open_files = {QString::fromStdString((other.path / "broken.csv").string())};
  Open([&](Machine& d) {
    Click(&d, "Command1");
    EXPECT_EQ(TakeMessages(), "変換ファイル名エラー\n");
    EXPECT_EQ(Before(d, 1), "ONE");  // read before the fault
    EXPECT_EQ(Before(d, 3), "B3");   // not reached
    EXPECT_EQ(Cell(d, 1, 2), "ONE");
    EXPECT_TRUE(Grid(d).isVisible());
  });
  // Save must not write the table over a file that is no table.
  EXPECT_EQ(Utf8(window().module().MachinePath), folder_.path.string());
  EXPECT_EQ(Utf8(window().module().MachineFileName), kTable);

  window().module().MachineFileName = u"missing.csv";
  Open([&](Machine&) {});
  EXPECT_EQ(TakeMessages(), "変換ファイル名エラー\n");
}

TEST_F(MachineGui, SaveWritesTheTableAndSaysWhyWhenItCannot) {
  Open([&](Machine& d) {
    Grid(d).setCurrentCell(3, 3);
    QTest::keyClick(&Grid(d), 'Z');
    Click(&d, "Command2");  // the open edit is saved with the rest
    ConversionTable saved;
    ASSERT_TRUE(ReadConversionTable(ReadBytes(folder_.path / kTable), saved));
    EXPECT_EQ(Utf8(saved.rows[3].after.text), "Z");
    EXPECT_EQ(saved, d.table());

    Grid(d).setCurrentCell(4, 2);
    QTest::keyClick(&Grid(d), Qt::Key_A);
    Editor(d).setText(QStringLiteral("😀"));  // as an input method would put it there
    Key(&Editor(d), Qt::Key_Return);
    Click(&d, "Command2");
    const std::string message = TakeMessages();
    EXPECT_NE(message.find("変換ファイルを保存できませんでした。"), std::string::npos);
    EXPECT_NE(message.find((folder_.path / kTable).string()), std::string::npos);
    EXPECT_NE(message.find("4行目"), std::string::npos) << message;
  });
  ConversionTable kept;
  ASSERT_TRUE(ReadConversionTable(ReadBytes(folder_.path / kTable), kept));
  EXPECT_EQ(Utf8(kept.rows[3].after.text), "Z");  // the old file stays whole

  window().module().MachinePath = U((folder_.path / "no such folder").string());
  Open([&](Machine& d) { Click(&d, "Command2"); });
  const std::string message = TakeMessages();
  EXPECT_NE(message.find("変換ファイル名エラー"), std::string::npos);  // at opening
  EXPECT_NE(message.find("no such folder"), std::string::npos);
  EXPECT_NE(message.find("No such file"), std::string::npos) << message;
}

TEST_F(MachineGui, TranslatesIntoThePreview) {
  window().source().SetText(u"O12 (MAIN)\r\nG01 X12. M03\r\n");
  Open([&](Machine& d) { Click(&d, "OKButton"); });
  EXPECT_EQ(Utf8(Find<NcTextEdit>(&window(), "RichTextBox2")->Text()),
            "O0012 (MAIN)\r\nG01 X12 M03 \r\n");
  EXPECT_TRUE(Find<QPushButton>(&window(), "Command1")->isEnabled());  // armed
  EXPECT_EQ(window().module().OutDialect, 1);
  EXPECT_EQ(Utf8(window().module().UndoText), "O12 (MAIN)\r\nG01 X12. M03\r\n");
  EXPECT_EQ(TakeMessages(), "");
}

TEST_F(MachineGui, FailedTranslationSaysWhyAndStaysOpenWithNothingArmed) {
  window().source().SetText(u"G01 X1\nX2\n");
  bool open_after = false;
  Open([&](Machine& d) {
    Click(&d, "OKButton");
    open_after = d.isVisible();
  });
  EXPECT_TRUE(open_after);
  ASSERT_EQ(prompts_.shown.size(), 1u);
  EXPECT_EQ(prompts_.shown[0].icon, Prompts::Icon::kCritical);
  EXPECT_EQ(TakeMessages(),
            "改行コードがLFのみかも知れません。\r\n"
            "一旦キャンセルして[変換]→[改行コードにCR追加]を実行してみてください。\n");
  EXPECT_FALSE(Find<QPushButton>(&window(), "Command1")->isEnabled());
}

}  // namespace
}  // namespace kestrum
