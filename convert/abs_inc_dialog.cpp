#include "convert/abs_inc_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "convert/abs_inc.h"
#include "shell/qt_util.h"

namespace kestrum {

G90_G91::G90_G91(Editor& editor, QWidget* parent)
    : ConversionDialog(editor, QStringLiteral("G90_G91"), QStringLiteral("G90-G91の変換"), parent) {
  AddOption(0, QStringLiteral("G90→G91に変換"), 0);
  AddOption(1, QStringLiteral("G91→G90に変換"), 1);

  Frame1 = new QGroupBox(QStringLiteral("開始座標"), this);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  auto* start = new QGridLayout(Frame1);
  QLineEdit** boxes[] = {&StartX, &StartY, &StartZ};
  const char* const names[] = {"StartX", "StartY", "StartZ"};
  const char* const axes[] = {"X", "Y", "Z"};
  for (int i = 0; i < 3; ++i) {
    Label1[i] = new QLabel(QString::fromLatin1(axes[i]), Frame1);
    Label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
    QLineEdit* box = *boxes[i] = new QLineEdit(Frame1);
    box->setObjectName(QString::fromLatin1(names[i]));
    box->installEventFilter(this);
    start->addWidget(Label1[i], i, 0);
    start->addWidget(box, i, 1);
  }
  options_->addWidget(Frame1, 2, 0);

  Check1 = new QCheckBox(QStringLiteral("開始座標出力"), this);
  Check2 = new QCheckBox(QStringLiteral("終点座標出力"), this);
  Check3 = new QCheckBox(QStringLiteral("小数点出力"), this);
  int row = 3;
  for (QCheckBox* check : {Check1, Check2, Check3}) {
    check->setObjectName(QStringLiteral("Check%1").arg(row - 2));
    options_->addWidget(check, row++, 0);
  }
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setTextVisible(false);
  options_->addWidget(ProgressBar1, row, 0);
  ProgressBar1->hide();

  const Module1& m = editor_.module();
  StartX->setText(Q(m.SavedStartX));
  StartY->setText(Q(m.SavedStartY));
  StartZ->setText(Q(m.SavedStartZ));
  Check1->setChecked(m.SavedStartComment != 0);
  Check2->setChecked(m.SavedEndComment != 0);
  Option1->button(m.SavedToIncremental ? 0 : 1)->setChecked(true);
  connect(OKButton, &QPushButton::clicked, this, &G90_G91::OKButton_Click);
}

void G90_G91::done(int result) {
  Module1& m = editor_.module();
  m.SavedStartX = U(StartX->text());
  m.SavedStartY = U(StartY->text());
  m.SavedStartZ = U(StartZ->text());
  m.SavedStartComment = Check1->isChecked() ? 1 : 0;
  m.SavedEndComment = Check2->isChecked() ? 1 : 0;
  m.SavedToIncremental = SelectedOption() == 0;
  if (running_) stopped_ = true;
  ConversionDialog::done(result);
}

bool G90_G91::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      QWidget* next = watched == StartX   ? static_cast<QWidget*>(StartY)
                      : watched == StartY ? static_cast<QWidget*>(StartZ)
                      : watched == StartZ ? static_cast<QWidget*>(OKButton)
                                          : nullptr;
      if (next) {
        next->setFocus();
        return true;
      }
    }
  }
  return ConversionDialog::eventFilter(watched, e);
}

bool G90_G91::Progress(std::size_t lines) {
  // Asking the clock costs more than a line: every 256 lines is often enough.
  static constexpr std::size_t kEvery = 256;
  if (lines % kEvery == 0 && since_events_.hasExpired(30)) {
    ProgressBar1->setValue(static_cast<int>(std::min<std::size_t>(lines, ProgressBar1->maximum())));
    QCoreApplication::processEvents();
    since_events_.restart();
  }
  return !stopped_;
}

void G90_G91::OKButton_Click() {
  if (running_) return;
  AbsIncOptions options;
  options.to_incremental = SelectedOption() == 0;
  options.start_x = U(StartX->text());
  options.start_y = U(StartY->text());
  options.start_z = U(StartZ->text());
  options.start_comment = Check1->isChecked();
  options.end_comment = Check2->isChecked();
  options.point = Check3->isChecked();

  ProgressBar1->setRange(0, std::max(editor_.SourceLineCount(), 1));
  ProgressBar1->setValue(0);
  ProgressBar1->show();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  running_ = true;
  stopped_ = false;
  OKButton->setEnabled(false);
  since_events_.start();
  // The result is built in memory; the preview and the undo snapshot are touched only when
  // the run has come to its end, so that a stopped run leaves the editor as it was.
  std::u16string report;
  const std::optional<std::u16string> result = ConvertAbsInc(
      editor_.source().Text(), options, editor_.module(),
      [this](std::size_t lines, std::size_t) { return Progress(lines); }, &report);
  running_ = false;
  QApplication::restoreOverrideCursor();
  OKButton->setEnabled(true);
  ProgressBar1->hide();
  if (!result) return;  // stopped: the dialog has closed already
  editor_.BeginConversion();
  editor_.SetPreviewText(*result);
  editor_.SetPreviewCheck([options](const ProgramReading& r) { return AbsIncCheck(options, r); });
  editor_.ArmPreview();
  ShowReport(report);
  accept();
}

}  // namespace kestrum
