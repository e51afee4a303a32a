// The G90_G91, XY_CX and Spindle dialogs on the real editor, driven through their controls.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <memory>
#include <set>
#include <string>

#include "convert/abs_inc.h"
#include "convert/abs_inc_dialog.h"
#include "convert/rotary_dialog.h"
#include "convert/xy_cx_dialog.h"
#include "shell/main_window.h"
#include "shell/text_pane.h"
#include "tests/gui_util.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::Click;
using test::Find;
using test::Str;
using test::Trigger;
using test::Utf8;
using test::WithModal;

class CoordDialogs : public testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<frmMain>(QString(), ShellPlatform{&prompts_, &keys_});
  }
  frmMain& window() { return *window_; }
  NcTextEdit& Source() { return *Find<NcTextEdit>(window_.get(), "RichTextBox1"); }
  std::string PreviewText() {
    return Utf8(Find<NcTextEdit>(window_.get(), "RichTextBox2")->Text());
  }
  bool Armed() { return Find<QPushButton>(window_.get(), "Command1")->isEnabled(); }
  static QLineEdit* Box(QDialog& d, const char* name) { return Find<QLineEdit>(&d, name); }
  static bool Checked(QDialog& d, const char* name) {
    return Find<QAbstractButton>(&d, name)->isChecked();
  }

  test::TempSettings settings_;
  test::ScriptedPrompts prompts_;
  ProgramKeyState keys_;
  std::unique_ptr<frmMain> window_;
};

TEST_F(CoordDialogs, G90G91KeepsItsValuesHoweverItCloses) {
  Source().SetText(u"G90G00X10.Y20.\r\nZ5.\r\n");
  // First opening: the program's start values.
  WithModal<G90_G91>([&] { Trigger(&window(), "mnuConvertG90_G91"); },
                     [](G90_G91& d) {
                       EXPECT_EQ(Str(d.windowTitle()), "G90-G91の変換");
                       EXPECT_TRUE(Checked(d, "Option1_0"));
                       EXPECT_EQ(Str(Box(d, "StartX")->text()), "");
                       EXPECT_FALSE(Checked(d, "Check1"));
                       EXPECT_FALSE(Find<QProgressBar>(&d, "ProgressBar1")->isVisible());
                       Box(d, "StartX")->setText("5");
                       Box(d, "StartZ")->setText("abc");
                       Click(&d, "Check2");
                       Click(&d, "Check3");
                       Click(&d, "Option1_1");
                       Click(&d, "CancelButton");
                     });
  EXPECT_EQ(PreviewText(), "");
  // Cancel kept them; the decimal-point box is not kept.
  WithModal<G90_G91>([&] { Trigger(&window(), "G90-G91の変換"); },
                     [](G90_G91& d) {
                       EXPECT_EQ(Str(Box(d, "StartX")->text()), "5");
                       EXPECT_EQ(Str(Box(d, "StartZ")->text()), "abc");
                       EXPECT_TRUE(Checked(d, "Check2"));
                       EXPECT_FALSE(Checked(d, "Check3"));
                       EXPECT_TRUE(Checked(d, "Option1_1"));
                       Box(d, "StartY")->setText("-2");
                       Click(&d, "Option1_0");
                       d.close();  // the window's close button
                     });
  EXPECT_EQ(Utf8(window().module().SavedStartY), "-2");
  EXPECT_TRUE(window().module().SavedToIncremental);
  // A run puts the result into the preview and keeps the values too.
  WithModal<G90_G91>([&] { Trigger(&window(), "mnuConvertG90_G91"); },
                     [](G90_G91& d) {
                       Box(d, "StartZ")->setText("10");
                       Click(&d, "OKButton");
                       EXPECT_FALSE(d.isVisible());
                     });
  EXPECT_EQ(PreviewText(),
            "G91\r\n(G90)G00X5.0Y22.0\r\nZ-5.0\r\n(END POINT G90 X10.0 Y20.0 Z5.0)\r\n");
  EXPECT_TRUE(Armed());
  EXPECT_EQ(Utf8(window().module().SavedStartZ), "10");
  EXPECT_EQ(Utf8(window().module().UndoText), "G90G00X10.Y20.\r\nZ5.\r\n");
}

TEST_F(CoordDialogs, G90G91EnterWalksTheStartBoxes) {
  WithModal<G90_G91>([&] { Trigger(&window(), "mnuConvertG90_G91"); },
                     [](G90_G91& d) {
                       const char* const order[] = {"StartX", "StartY", "StartZ", "OKButton"};
                       Box(d, "StartX")->setFocus();
                       for (int i = 0; i < 3; ++i) {
                         QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                         QApplication::sendEvent(Find<QWidget>(&d, order[i]), &enter);
                         EXPECT_EQ(d.focusWidget(), Find<QWidget>(&d, order[i + 1])) << order[i];
                         EXPECT_TRUE(d.isVisible());  // Enter moves on, it does not run
                       }
                     });
  EXPECT_EQ(PreviewText(), "");
}

// A long program: the bar moves and the window takes events while the run goes on, and
// Cancel stops it with nothing in the preview.
TEST_F(CoordDialogs, G90G91RunShowsProgressAndStopsOnCancel) {
  // Long enough that the run takes several of the dialog's repaint intervals, also in the
  // optimised build.
  std::u16string program;
  for (int i = 0; i < 1500000; ++i)
    program += u"G01X" + test::U(std::to_string(i % 500)) + u".Y1.\r\n";
  Source().SetText(program);
  const int lines = window().SourceLineCount();

  std::set<int> values;
  bool finished = false;
  WithModal<G90_G91>([&] { Trigger(&window(), "mnuConvertG90_G91"); },
                     [&](G90_G91& d) {
                       auto* bar = Find<QProgressBar>(&d, "ProgressBar1");
                       QTimer watch;
                       QObject::connect(&watch, &QTimer::timeout, [&] {
                         if (bar->isVisible()) values.insert(bar->value());
                       });
                       watch.start(0);
                       Click(&d, "OKButton");
                       finished = !d.isVisible();
                       EXPECT_EQ(bar->maximum(), lines);
                     });
  EXPECT_TRUE(finished);
  EXPECT_GE(values.size(), 2u) << "the bar did not move during the run";
  EXPECT_TRUE(Armed());
  Click(&window(), "Command2");

  window().module().UndoText = u"(EARLIER)";
  window().module().InComment = false;
  bool stopped_early = false;
  WithModal<G90_G91>([&] { Trigger(&window(), "mnuConvertG90_G91"); },
                     [&](G90_G91& d) {
                       auto* bar = Find<QProgressBar>(&d, "ProgressBar1");
                       QTimer::singleShot(0, &d, [&] {
                         stopped_early = bar->value() < bar->maximum();
                         Click(&d, "CancelButton");
                       });
                       Box(d, "StartX")->setText("7");
                       Click(&d, "OKButton");
                       EXPECT_FALSE(d.isVisible());
                       EXPECT_FALSE(bar->isVisible());
                     });
  EXPECT_TRUE(stopped_early);
  EXPECT_EQ(PreviewText().size(), 0u);
  EXPECT_FALSE(Armed());
  EXPECT_EQ(Utf8(window().module().UndoText), "(EARLIER)");  // no snapshot taken
  EXPECT_EQ(Utf8(window().module().SavedStartX), "7");
}

TEST_F(CoordDialogs, XyCxStaysOpenAfterCxToXy) {
  Source().SetText(u"G01X20.C90.\r\n");
  int runs = 0;
  WithModal<XY_CX>([&] { Trigger(&window(), "mnuConvertXY_XC"); },
                   [&](XY_CX& d) {
                     EXPECT_EQ(Str(d.windowTitle()), "XY-CX座標変換");
                     EXPECT_EQ(Str(Find<QRadioButton>(&d, "Option1_1")->text()), "CX→XY座標に変換");
                     Click(&d, "Option1_1");
                     Click(&d, "OKButton");
                     runs += d.isVisible();
                     Click(&d, "OKButton");  // once more, on the same source
                     runs += d.isVisible();
                   });
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(PreviewText(), "G01X0.0Y10.0\r\n");
  EXPECT_TRUE(Armed());

  Source().SetText(u"X10.Y10.\r\n");
  WithModal<XY_CX>([&] { Trigger(&window(), "mnuConvertXY_XC"); },
                   [](XY_CX& d) {
                     EXPECT_TRUE(Checked(d, "Option1_0"));  // not kept between openings
                     Click(&d, "OKButton");
                     EXPECT_FALSE(d.isVisible());
                   });
  EXPECT_EQ(PreviewText(), "C45.0X28.284\r\n");
}

// Words whose value cannot be known stay as written; the run says where, with the dialog's
// caption as title, and the preview is armed all the same.
TEST_F(CoordDialogs, UnknownValuesAreListedAfterTheRun) {
  Source().SetText(u"X10.Y10.\r\nX#1Y2.\r\nX[1]2\r\n");
  WithModal<XY_CX>([&] { Trigger(&window(), "mnuConvertXY_XC"); },
                   [](XY_CX& d) { Click(&d, "OKButton"); });
  EXPECT_EQ(PreviewText(), "C45.0X28.284\r\nX#1Y2.\r\nX[1]2\r\n");
  EXPECT_TRUE(Armed());
  ASSERT_EQ(prompts_.shown.size(), 1u);
  EXPECT_EQ(Str(prompts_.shown[0].text),
            "式の値が分からないため変換していないワードがあります: 2, 3 行");
  EXPECT_EQ(Str(prompts_.shown[0].title), "XY-CX座標変換");
  EXPECT_FALSE(prompts_.shown[0].question);
}

TEST_F(CoordDialogs, SpindleBoxesOpenWithTheirOptions) {
  Source().SetText(u"G90G00C90.\r\nc270.\r\nC300.\r\n");
  window().SetUndoEnabled(false);
  WithModal<Spindle>([&] { Trigger(&window(), "mnuConvertRotation"); },
                     [](Spindle& d) {
                       EXPECT_EQ(Str(d.windowTitle()), "回転軸の近回り");
                       EXPECT_EQ(Str(Find<QPushButton>(&d, "OKButton")->text()), "実　行");
                       EXPECT_EQ(Str(Find<QRadioButton>(&d, "Option5")->text()),
                                 "M15(正転)  M16(逆転)");
                       EXPECT_TRUE(Checked(d, "Option3"));
                       EXPECT_TRUE(Checked(d, "Option5"));
                       QLineEdit* text[] = {Box(d, "Text1"), Box(d, "Text2"), Box(d, "Text3")};
                       // Open boxes have the menu's background, closed ones the buttons' face.
                       const QColor open = QApplication::palette("QMenu").color(QPalette::Window);
                       const QColor closed = QApplication::palette().color(QPalette::Button);
                       for (QLineEdit* box : text) {
                         EXPECT_FALSE(box->isEnabled());
                         EXPECT_EQ(box->palette().color(QPalette::Base), closed);
                       }
                       Click(&d, "Option4");
                       EXPECT_TRUE(text[0]->isEnabled());
                       EXPECT_FALSE(text[1]->isEnabled());
                       EXPECT_EQ(text[0]->palette().color(QPalette::Base), open);
                       Click(&d, "Option7");
                       EXPECT_TRUE(text[1]->isEnabled());
                       EXPECT_TRUE(text[2]->isEnabled());
                       Click(&d, "Option2");
                       EXPECT_FALSE(text[0]->isEnabled());
                       EXPECT_EQ(text[0]->palette().color(QPalette::Base), closed);
                       Click(&d, "Option4");
                       text[0]->setText("c");
                       text[1]->setText("115");
                       text[2]->setText("116");
                       Click(&d, "OKButton");
                       EXPECT_FALSE(d.isVisible());
                     });
  EXPECT_EQ(PreviewText(), "G90G00C90.\r\nc270. M116\r\nC300.\r\n");
  EXPECT_TRUE(Armed());
  EXPECT_TRUE(Find<QAction>(&window(), "mnuEditUndo")->isEnabled());
  // Nothing is kept: the next opening starts with C and M15/M16 again.
  WithModal<Spindle>([&] { Trigger(&window(), "mnuConvertRotation"); },
                     [](Spindle& d) {
                       EXPECT_TRUE(Checked(d, "Option3"));
                       EXPECT_TRUE(Checked(d, "Option5"));
                       EXPECT_FALSE(Box(d, "Text1")->isEnabled());
                     });
}

// A parenthesis or line break appended to a line would turn the moves after it into a comment.
TEST_F(CoordDialogs, SpindleRefusesMCodesThatWouldOpenAComment) {
  const std::u16string program = u"G90G00C90.\r\nC270.\r\nC300.\r\n";
  Source().SetText(program);
  for (const char* forward : {"15(", "15)"}) {
    WithModal<Spindle>([&] { Trigger(&window(), "mnuConvertRotation"); },
                       [&](Spindle& d) {
                         Click(&d, "Option7");
                         Box(d, "Text2")->setText(forward);
                         Box(d, "Text3")->setText("16");
                         Click(&d, "OKButton");
                         EXPECT_TRUE(d.isVisible());
                       });
    EXPECT_EQ(prompts_.TakeTexts(), "Mコードに括弧や改行は使えません\n");
    EXPECT_FALSE(Armed());
    EXPECT_EQ(Source().Text(), program);
  }
}

}  // namespace
}  // namespace kestrum
