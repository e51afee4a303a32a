// The path check on the real editor: the status panel after a conversion into the preview,
// and the backplot window linked to the panes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <memory>
#include <string>

#include "convert/spaces_dialog.h"
#include "motion/backplot_widget.h"
#include "motion/backplot_window.h"
#include "shell/main_window.h"
#include "shell/path_check_panel.h"
#include "shell/text_pane.h"
#include "tests/gui_util.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::Click;
using test::Find;
using test::Str;
using test::Trigger;
using test::WithModal;

// Lets events through until pred holds; false after a generous while.
bool WaitFor(const std::function<bool()>& pred) {
  QElapsedTimer clock;
  clock.start();
  while (!pred()) {
    if (clock.hasExpired(20000)) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

class PathCheckGui : public testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<frmMain>(QString(), ShellPlatform{&prompts_, &keys_});
    window_->show();
  }
  frmMain& window() { return *window_; }
  NcTextEdit& Source() { return *Find<NcTextEdit>(window_.get(), "RichTextBox1"); }
  NcTextEdit& Preview() { return *Find<NcTextEdit>(window_.get(), "RichTextBox2"); }
  PathCheckPanel& Panel() { return *Find<PathCheckPanel>(window_.get(), "PathCheckPanel"); }

  // A conversion as the dialogs run one: check, preview, armed.
  void Convert(const std::u16string& result, CheckMaker maker = IdenticalCheck) {
    window().SetPreviewCheck(std::move(maker));
    window().BeginConversion();
    window().SetPreviewText(result);
    window().ArmPreview();
  }
  std::string PanelText() {
    EXPECT_TRUE(WaitFor([&] { return !Panel().text().isEmpty(); }));
    return Str(Panel().text());
  }

  test::TempSettings settings_;
  test::ScriptedPrompts prompts_;
  ProgramKeyState keys_;
  std::unique_ptr<frmMain> window_;
};

TEST_F(PathCheckGui, StatusPanelShowsTheCheckOfEachConversion) {
  Source().SetText(u"G90 G01 X1. Y1. F100\r\nX2.\r\nY3.\r\n");
  const struct {
    std::u16string result;
    PathCheckPanel::State state;
    std::string text;
    std::string tooltip;  // a part of it
  } rows[] = {
      {u"G90G01X1.Y1.F100\r\nX2.\r\nY3.\r\n", PathCheckPanel::State::kSame, "経路一致",
       "比較した移動: 3"},
      {u"G90G01X1.Y1.F100\r\nX2.\r\nY3.5\r\n", PathCheckPanel::State::kDifferent, "経路相違: 3行目",
       "変換後 3行目: X2.000 Y3.500 Z0.000"},
      {u"G90G01X1.Y1.F100\r\nX2.\r\nG81 Y3. Z-1. R1.\r\n", PathCheckPanel::State::kUnchecked,
       "経路未確認: 1行", "変換後 固定サイクル: 3 行"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    Convert(row.result);
    EXPECT_EQ(PanelText(), row.text);
    EXPECT_EQ(Panel().state(), row.state);
    EXPECT_NE(Str(Panel().toolTip()).find(row.tooltip), std::string::npos)
        << Str(Panel().toolTip());
  }
  // Accept or cancel: nothing is shown any more.
  Click(&window(), "Command2");
  EXPECT_EQ(Str(Panel().text()), "");
  EXPECT_EQ(Panel().state(), PathCheckPanel::State::kNone);
  // A change the operator means (find and replace) is shown, not judged.
  Convert(u"X9.\r\n", NoCheck);
  QTest::qWait(100);
  EXPECT_EQ(Str(Panel().text()), "");
}

TEST_F(PathCheckGui, DialogRunsTheCheckOfItsConversion) {
  Source().SetText(u"G01 X1. Y2.\r\nX 3.\r\n");
  // Removing blanks makes "X 3." a word: the control reads the word where the check cannot
  // tell what the conversions made of it.
  WithModal<Space>([&] { Trigger(&window(), "mnuConvertSpaceAdd"); },
                   [](Space& d) {
                     test::Find<QRadioButton>(&d, "Option1_2")->setChecked(true);
                     Click(&d, "OKButton");
                   });
  EXPECT_EQ(PanelText(), "経路未確認: 1行");
  EXPECT_NE(Str(Panel().toolTip()).find("アドレスと値の間の空白: 2 行"), std::string::npos)
      << Str(Panel().toolTip());
}

TEST_F(PathCheckGui, BackplotLinksMovesAndLines) {
  Source().SetText(u"G90 G00 X0 Y0\r\nG01 X10. F100\r\nY10.\r\nX0\r\n");
  Convert(u"G90 G00 X0 Y0\r\nG01 X10. F100\r\nY12.\r\nX0\r\n");
  EXPECT_EQ(PanelText(), "経路相違: 3行目");
  Trigger(&window(), "mnuViewToolPath");
  auto* backplot = window().findChild<BackplotWindow*>(QStringLiteral("frmToolPath"));
  ASSERT_NE(backplot, nullptr);
  EXPECT_TRUE(backplot->isVisible());
  EXPECT_EQ(Str(backplot->windowTitle()), "工具経路");
  BackplotWidget* picture = backplot->picture();
  ASSERT_TRUE(WaitFor([&] { return picture->paths() && picture->rendered(); }));
  EXPECT_TRUE(picture->paths()->outcome.difference.has_value());

  // A click on the source's last move (X10 Y10 to X0 Y10) selects its line.
  const QPointF from = picture->PixelOf(BackplotWidget::kSource, 2);
  const QPointF to = picture->PixelOf(BackplotWidget::kSource, 3);
  QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, ((from + to) / 2).toPoint());
  EXPECT_EQ(Source().SelStart(), 36u);
  EXPECT_EQ(Source().SelLength(), 2u);  // "X0"
  // The result's last move, at Y12, selects the preview's line.
  const QPointF last = picture->PixelOf(BackplotWidget::kResult, 3);
  QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier,
                    ((last + picture->PixelOf(BackplotWidget::kResult, 2)) / 2).toPoint());
  EXPECT_EQ(Preview().SelStart(), 36u);
  EXPECT_EQ(Preview().SelLength(), 2u);  // "X0"

  // The cursor in a pane highlights its line's move.
  Source().Select(16, 0);  // line 2
  EXPECT_TRUE(WaitFor([&] { return picture->highlight(BackplotWidget::kSource) == 1u; }));

  // How values without a point read: the setting applies to both panes and is kept.
  auto* reading = Find<QComboBox>(backplot, "cboNoPoint");
  reading->setCurrentIndex(0);  // calculator style
  ASSERT_TRUE(WaitFor([&] { return picture->rendered(); }));
  prompts_.answers.push_back(true);  // close without saving
  window().close();
  SettingsStore stored;
  EXPECT_EQ(Str(stored.value(QStringLiteral("BackplotNoPoint")).toString()), "mm");
}

}  // namespace
}  // namespace kestrum
