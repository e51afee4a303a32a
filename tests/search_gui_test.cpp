// The Find, Replace and calculated-replace dialogs, Find next and the line-end repair, driven
// through the main window's commands and the dialogs' real controls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "convert/calc_dialog.h"
#include "search/find_dialog.h"
#include "search/replace_dialog.h"
#include "shell/main_window.h"
#include "shell/text_pane.h"
#include "tests/gui_util.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::Click;
using test::Find;
using test::ScriptedPrompts;
using test::Str;
using test::Trigger;
using test::Utf8;
using test::WithModal;

class SearchGui : public testing::Test {
 protected:
  SearchGui() { window_ = std::make_unique<frmMain>(QString(), ShellPlatform{&prompts_, &keys_}); }
  frmMain& window() { return *window_; }
  NcTextEdit& Source() { return *Find<NcTextEdit>(window_.get(), "RichTextBox1"); }
  void SetSource(const std::u16string& text, std::size_t sel_start = 0, std::size_t sel_len = 0) {
    Source().SetText(text);
    Source().Select(sel_start, sel_len);
  }
  std::string SourceText() { return Utf8(Source().Text()); }
  std::string Selected() {
    return Utf8(Source().Text().substr(Source().SelStart(), Source().SelLength()));
  }
  // The messages shown so far, "title: text" each, and forgets them.
  std::string TakeMessages() {
    std::string out;
    for (const auto& m : prompts_.shown) {
      EXPECT_EQ(m.icon, Prompts::Icon::kNone);
      EXPECT_FALSE(m.question);
      out += Str(m.title) + ": " + Str(m.text) + "\n";
    }
    prompts_.shown.clear();
    return out;
  }
  static QString Text(QWidget* dialog, const char* name) {
    if (auto* label = dialog->findChild<QLabel*>(QString::fromLatin1(name))) return label->text();
    return Find<QAbstractButton>(dialog, name)->text();
  }
  static void Type(QWidget* dialog, const char* box, const QString& text) {
    Find<QLineEdit>(dialog, box)->setText(text);
  }
  static void PressEnter(QWidget* widget) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
  }
  static bool Enabled(QWidget* dialog, const char* name) {
    return Find<QWidget>(dialog, name)->isEnabled();
  }

  test::TempSettings settings_;
  ScriptedPrompts prompts_;
  ProgramKeyState keys_;
  std::unique_ptr<frmMain> window_;
};

TEST_F(SearchGui, FindDialogStepsThroughOccurrencesAndIsGoneWhenClosed) {
  SetSource(u"G01 X1 G01\r\nG02", 0, 3);
  int writes = 0;
  QObject::connect(&Source(), &NcTextEdit::Changed, [&] { ++writes; });
  WithModal<frmFind>([&] { Trigger(&window(), "mnuEditFind"); },
                     [&](frmFind& d) {
                       EXPECT_EQ(Str(d.windowTitle()), "検索");
                       EXPECT_EQ(Str(Text(&d, "Label1")), "検索文字列        :");
                       EXPECT_EQ(Str(Text(&d, "Check1")), "先頭から検索");
                       EXPECT_EQ(Str(Text(&d, "NextFind")), "次を検索");
                       EXPECT_EQ(Str(Text(&d, "CancelButton")), "ｷｬﾝｾﾙ");
                       EXPECT_EQ(Str(Find<QLineEdit>(&d, "txtFind")->text()), "G01");
                       EXPECT_TRUE(Find<QCheckBox>(&d, "Check1")->isChecked());
                       // The occurrence found stays as visible while the dialog has the focus.
                       const QPalette p = Source().palette();
                       EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Highlight),
                                 p.color(QPalette::Active, QPalette::Highlight));

                       Click(&d, "NextFind");
                       EXPECT_EQ(Source().SelStart(), 0u);
                       EXPECT_EQ(Selected(), "G01");
                       EXPECT_FALSE(Find<QCheckBox>(&d, "Check1")->isChecked());
                       Click(&d, "NextFind");
                       EXPECT_EQ(Source().SelStart(), 7u);
                       EXPECT_EQ(TakeMessages(), "");
                       Click(&d, "NextFind");
                       EXPECT_EQ(TakeMessages(), "検索: 2 回 見つかりました。\n");
                       EXPECT_TRUE(Find<QCheckBox>(&d, "Check1")->isChecked());
                       Type(&d, "txtFind", "G03");
                       PressEnter(Find<QLineEdit>(&d, "txtFind"));  // Enter presses 次を検索
                       EXPECT_EQ(TakeMessages(), "検索: \"G03\" は見つかりませんでした。\n");
                       Click(&d, "CancelButton");
                     });
  EXPECT_EQ(window().findChild<frmFind*>(), nullptr);
  EXPECT_EQ(writes, 0);  // finding never writes the text
}

TEST_F(SearchGui, FindNextCountsOnAndLeavesAHiddenFindDialogChecked) {
  SetSource(u"G01 X1 G01 Y2 G01");
  window().module().SearchText = u"G01";
  Trigger(&window(), "mnuEditNextFind");  // from the caret at 0: the first G01 is passed over
  EXPECT_EQ(Source().SelStart(), 7u);
  EXPECT_EQ(Source().SelLength(), 3u);
  Trigger(&window(), "mnuEditNextFind");
  EXPECT_EQ(Source().SelStart(), 14u);
  EXPECT_EQ(window().findChild<frmFind*>(), nullptr);
  Trigger(&window(), "mnuEditNextFind");
  EXPECT_EQ(TakeMessages(), "検索: 2回 見つかりました。\n");
  auto* hidden = window().findChild<frmFind*>();
  ASSERT_NE(hidden, nullptr);
  EXPECT_FALSE(hidden->isVisible());
  EXPECT_TRUE(Find<QCheckBox>(hidden, "Check1")->isChecked());
  // The next Find shows that dialog, searching for the selection.
  Source().Select(3, 3);  // " X1"
  WithModal<frmFind>([&] { Trigger(&window(), "mnuEditFind"); },
                     [&](frmFind& d) {
                       EXPECT_EQ(&d, hidden);
                       EXPECT_EQ(Str(Find<QLineEdit>(&d, "txtFind")->text()), " X1");
                     });
  window().module().SearchText = u"G04";
  Trigger(&window(), "mnuEditNextFind");
  EXPECT_EQ(TakeMessages(), "検索: \"G04\"は見つかりませんでした。\n");
}

TEST_F(SearchGui, ReplaceDialogStepsWithChangeAndReportsTheCount) {
  SetSource(u"G01 G01 G01", 0, 3);
  WithModal<frmReplace>([&] { Trigger(&window(), "mnuEditReplace"); },
                        [&](frmReplace& d) {
                          EXPECT_EQ(Str(d.windowTitle()), "文字列の置き換え");
                          EXPECT_EQ(Str(Text(&d, "Label1")), "検索文字列");
                          EXPECT_EQ(Str(Text(&d, "Label2")), "置き換え文字列");
                          EXPECT_EQ(Str(Text(&d, "Check1")), "先頭から開始");
                          EXPECT_EQ(Str(Text(&d, "Change")), "変　更");
                          EXPECT_EQ(Str(Text(&d, "NextFind")), "スキップ");
                          EXPECT_EQ(Str(Text(&d, "AllChange")), "全て変更");
                          EXPECT_EQ(Str(Text(&d, "Cancel")), "閉じる");
                          EXPECT_EQ(Str(Find<QLineEdit>(&d, "txtFind")->text()), "G01");
                          for (const char* button : {"Change", "NextFind", "AllChange"}) {
                            EXPECT_TRUE(Enabled(&d, button)) << button;
                          }
                          EXPECT_TRUE(Find<QPushButton>(&d, "Change")->isDefault());
                          Type(&d, "txtReplace", "G1");

                          Click(&d, "Change");  // only finds
                          EXPECT_EQ(SourceText(), "G01 G01 G01");
                          EXPECT_EQ(Source().SelStart(), 0u);
                          Click(&d, "Change");
                          EXPECT_EQ(SourceText(), "G1 G01 G01");
                          EXPECT_EQ(Selected(), "G01");
                          PressEnter(Find<QLineEdit>(&d, "txtReplace"));  // Enter presses 変　更
                          EXPECT_EQ(SourceText(), "G1 G1 G01");
                          Click(&d, "Change");
                          EXPECT_EQ(SourceText(), "G1 G1 G1");
                          EXPECT_EQ(TakeMessages(), "置き換え: 3 回　変更しました。\n");
                          EXPECT_TRUE(Find<QCheckBox>(&d, "Check1")->isChecked());
                          Click(&d, "Cancel");
                        });
  EXPECT_EQ(window().findChild<frmReplace*>(), nullptr);
  EXPECT_TRUE(window().Modified());
  EXPECT_TRUE(Find<QAction>(&window(), "mnuEditUndo")->isEnabled());
}

TEST_F(SearchGui, ReplaceButtonsNeedASearchText) {
  SetSource(u"X1Y1");
  WithModal<frmReplace>([&] { Trigger(&window(), "mnuEditReplace"); },
                        [&](frmReplace& d) {
                          for (const char* button : {"Change", "NextFind", "AllChange"}) {
                            EXPECT_FALSE(Enabled(&d, button)) << button;
                          }
                          EXPECT_FALSE(Find<QPushButton>(&d, "Change")->isDefault());
                          Type(&d, "txtFind", "1");
                          EXPECT_TRUE(Enabled(&d, "AllChange"));
                          EXPECT_TRUE(Find<QPushButton>(&d, "Change")->isDefault());
                          Type(&d, "txtReplace", "11");
                          int writes = 0;
                          QObject::connect(&Source(), &NcTextEdit::Changed, [&] { ++writes; });
                          Click(&d, "AllChange");
                          EXPECT_EQ(SourceText(), "X11Y11");
                          EXPECT_EQ(writes, 1);  // the pane is written once
                          EXPECT_EQ(TakeMessages(), "置き換え: 2 回 変更しました。\n");
                          Click(&d, "NextFind");
                          EXPECT_EQ(Source().SelStart(), 1u);
                          Type(&d, "txtFind", "");
                          EXPECT_FALSE(Enabled(&d, "Change"));
                          EXPECT_FALSE(Find<QPushButton>(&d, "Change")->isDefault());
                        });
}

TEST_F(SearchGui, LineEndRepairReportsAndChecksTheReplaceDialog) {
  SetSource(u"O1000\nG01 X1\r\nM30\n");
  Trigger(&window(), "mnuAddCR");
  EXPECT_EQ(SourceText(), "O1000\r\nG01 X1\r\nM30\r\n");
  EXPECT_EQ(TakeMessages(), "置き換え: 2 回 変更しました。\n");
  EXPECT_TRUE(window().Modified());
  auto* hidden = window().findChild<frmReplace*>();
  ASSERT_NE(hidden, nullptr);
  EXPECT_FALSE(hidden->isVisible());
  EXPECT_TRUE(Find<QCheckBox>(hidden, "Check1")->isChecked());

  Trigger(&window(), "mnuAddCR");  // nothing left to repair
  EXPECT_EQ(TakeMessages(), "置き換え: \"\n\" 見つかりませんでした。\n");
  EXPECT_EQ(window().findChildren<frmReplace*>().size(), 1);
}

TEST_F(SearchGui, CalcDialogControlsAndTheirRules) {
  SetSource(u"G00Z50.\r\nZ-10.\r\n", 3, 1);
  WithModal<frmSizeShift>(
      [&] { Trigger(&window(), "mnuEditCalReplace"); },
      [&](frmSizeShift& d) {
        EXPECT_EQ(Str(d.windowTitle()), "計算によるデータの置換");
        const struct {
          const char* name;
          const char* caption;
        } captions[] = {
            {"Label4", "検索文字列"},
            {"Label2", "計算式"},
            {"Label3", "値"},
            {"Option1", "1"},
            {"Option2", "1．"},
            {"Option3", "1．0"},
            {"Option4", "01"},
            {"Label8", "標準"},
            {"Label9", "小数点付き"},
            {"Label7", "G,Mｺｰﾄﾞ"},
            {"Check1", "先頭から開始"},
            {"Change", "変　更"},
            {"NextFind", "スキップ"},
            {"AllChange", "全て変更"},
            {"Cancel", "閉じる"},
            {"Label1", "・Z原点変更例      ： Z ＋ 100"},
            {"Label5", "・Xを2倍に変更     ： X × 2"},
            {"Label6", "・変数名=値の変更例：SB × 1.5"},
        };
        for (const auto& c : captions) EXPECT_EQ(Str(Text(&d, c.name)), c.caption) << c.name;
        EXPECT_EQ(Str(Find<QGroupBox>(&d, "Frame1")->title()), "出力フォーマット");
        auto* find = Find<QLineEdit>(&d, "txtFind");
        EXPECT_EQ(Str(find->toolTip()), "例: X , Z , S , SB , DA ,etc...");
        EXPECT_EQ(Str(find->text()), "Z");
        auto* combo = Find<QComboBox>(&d, "Combo1");
        ASSERT_EQ(combo->count(), 4);
        EXPECT_EQ(
            Str(combo->itemText(0) + combo->itemText(1) + combo->itemText(2) + combo->itemText(3)),
            "＋－×÷");
        EXPECT_EQ(Str(combo->currentText()), "＋");
        EXPECT_TRUE(Find<QRadioButton>(&d, "Option1")->isChecked());
        EXPECT_TRUE(Find<QCheckBox>(&d, "Check1")->isChecked());
        for (const char* button : {"Change", "NextFind", "AllChange"}) {
          EXPECT_FALSE(Enabled(&d, button)) << button;
        }

        // Enter goes from the search text to the value, and on to 変　更 once both are there.
        auto* value = Find<QLineEdit>(&d, "txtValue");
        find->setFocus();
        PressEnter(find);
        EXPECT_EQ(d.focusWidget(), value);
        PressEnter(value);
        EXPECT_EQ(d.focusWidget(), find);
        EXPECT_EQ(SourceText(), "G00Z50.\r\nZ-10.\r\n");  // Enter neither found nor changed
        Type(&d, "txtValue", "100");
        EXPECT_TRUE(Enabled(&d, "AllChange"));
        EXPECT_TRUE(Find<QPushButton>(&d, "Change")->isDefault());
        PressEnter(value);
        EXPECT_EQ(d.focusWidget(), Find<QPushButton>(&d, "Change"));

        Find<QRadioButton>(&d, "Option3")->setChecked(true);
        Click(&d, "AllChange");
        EXPECT_EQ(SourceText(), "G00Z150.0\r\nZ90.0\r\n");
        EXPECT_EQ(TakeMessages(), "計算による変更: 2 回変更しました。\n");

        combo->setCurrentIndex(3);  // ÷
        Type(&d, "txtValue", "0");
        Click(&d, "Change");
        EXPECT_EQ(TakeMessages(), "計算による変更: 0 で割ることはできません。\n");
        EXPECT_EQ(SourceText(), "G00Z150.0\r\nZ90.0\r\n");
      });
  EXPECT_EQ(window().findChild<frmSizeShift*>(), nullptr);
}

TEST_F(SearchGui, CalcDialogChangeStepsAndEndsWithItsOwnMessage) {
  SetSource(u"G1X5\r\nG0X1\r\n");
  WithModal<frmSizeShift>([&] { Trigger(&window(), "mnuEditCalReplace"); },
                          [&](frmSizeShift& d) {
                            Type(&d, "txtFind", "G");
                            Type(&d, "txtValue", "1");
                            Find<QRadioButton>(&d, "Option4")->setChecked(true);
                            Click(&d, "NextFind");  // shows the first G
                            Click(&d,
                                  "Change");  // still only finds: the G1 shown by スキップ stays
                            EXPECT_EQ(Source().SelStart(), 6u);
                            Click(&d, "Change");
                            EXPECT_EQ(SourceText(), "G1X5\r\nG01X1\r\n");
                            EXPECT_EQ(TakeMessages(), "データ変更: 1 回 データを変更しました.\n");
                            Click(&d, "NextFind");  // Check1 is checked again: from the top
                            EXPECT_EQ(Source().SelStart(), 0u);
                            Click(&d, "NextFind");
                            Click(&d, "NextFind");
                            EXPECT_EQ(TakeMessages(), "計算による変更: \"G\" 見つかりません。\n");
                          });
}

}  // namespace
}  // namespace kestrum
