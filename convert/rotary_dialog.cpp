#include "convert/rotary_dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <climits>
#include <cstddef>
#include <utility>

#include "convert/rotary.h"

namespace kestrum {
namespace {

// An open box has the menu's background, a closed one the buttons' face.
void OpenTextBox(QLineEdit* box, bool open) {
  box->setEnabled(open);
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, open ? QApplication::palette("QMenu").color(QPalette::Window)
                                        : QApplication::palette().color(QPalette::Button));
  box->setPalette(palette);
}

QRadioButton* Radio(const QString& caption, int number, QWidget* frame) {
  auto* button = new QRadioButton(caption, frame);
  button->setObjectName(QStringLiteral("Option%1").arg(number));
  return button;
}

QLineEdit* TextBox(const char* name, QWidget* frame) {
  auto* box = new QLineEdit(frame);
  box->setObjectName(QString::fromLatin1(name));
  box->setMaximumWidth(60);
  return box;
}

}  // namespace

Spindle::Spindle(Editor& editor, QWidget* parent)
    : ConversionDialog(editor, QStringLiteral("Spindle"), QStringLiteral("回転軸の近回り"), parent,
                       QStringLiteral("実　行")) {
  Frame1 = new QGroupBox(QStringLiteral("回転軸"), this);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  auto* axes = new QGridLayout(Frame1);
  const char* const axis_captions[] = {"A軸", "B軸", "C軸", "その他の軸"};
  for (int i = 0; i < 4; ++i) {
    axis_options_[i] = Radio(QString::fromUtf8(axis_captions[i]), i + 1, Frame1);
    axes->addWidget(axis_options_[i], i, 0);
  }
  Text1 = TextBox("Text1", Frame1);
  axes->addWidget(Text1, 3, 1);
  options_->addWidget(Frame1, 0, 0);

  Frame2 = new QGroupBox(QStringLiteral("追加 Mコード"), this);
  Frame2->setObjectName(QStringLiteral("Frame2"));
  auto* codes = new QGridLayout(Frame2);
  const char* const code_captions[] = {"M15(正転)  M16(逆転)", "M115(正転) M116(逆転)",
                                       "その他のMコード"};
  for (int i = 0; i < 3; ++i) {
    code_options_[i] = Radio(QString::fromUtf8(code_captions[i]), i + 5, Frame2);
    codes->addWidget(code_options_[i], i, 0, 1, 4);
  }
  Text2 = TextBox("Text2", Frame2);
  Text3 = TextBox("Text3", Frame2);
  Label1 = new QLabel(QStringLiteral("正転"), Frame2);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2 = new QLabel(QStringLiteral("逆転"), Frame2);
  Label2->setObjectName(QStringLiteral("Label2"));
  int row = 3;
  for (auto [box, label] : {std::pair{Text2, Label1}, std::pair{Text3, Label2}}) {
    codes->addWidget(new QLabel(QStringLiteral("M"), Frame2), row, 1);
    codes->addWidget(box, row, 2);
    codes->addWidget(label, row++, 3);
  }
  options_->addWidget(Frame2, 1, 0);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setTextVisible(false);
  options_->addWidget(ProgressBar1, 2, 0);
  ProgressBar1->hide();

  axis_options_[2]->setChecked(true);
  code_options_[0]->setChecked(true);
  for (QRadioButton* option : axis_options_) {
    connect(option, &QRadioButton::toggled, this, &Spindle::Option_Click);
  }
  for (QRadioButton* option : code_options_) {
    connect(option, &QRadioButton::toggled, this, &Spindle::Option_Click);
  }
  Option_Click();
  connect(OKButton, &QPushButton::clicked, this, &Spindle::OKButton_Click);
}

void Spindle::Option_Click() {
  OpenTextBox(Text1, axis_options_[3]->isChecked());
  OpenTextBox(Text2, code_options_[2]->isChecked());
  OpenTextBox(Text3, code_options_[2]->isChecked());
}

void Spindle::OKButton_Click() {
  RotaryOptions options;
  const char16_t* const letters[] = {u"A", u"B", u"C"};
  for (int i = 0; i < 3; ++i) {
    if (axis_options_[i]->isChecked()) options.axis = letters[i];
  }
  if (axis_options_[3]->isChecked()) options.axis = Text1->text().toStdU16String();
  if (code_options_[1]->isChecked()) {
    options.forward = u"115";
    options.reverse = u"116";
  } else if (code_options_[2]->isChecked()) {
    options.forward = Text2->text().toStdU16String();
    options.reverse = Text3->text().toStdU16String();
    if (!IsInsertableMCode(options.forward) || !IsInsertableMCode(options.reverse)) {
      editor_.prompts().Notify(this, QString::fromStdU16String(kMCodeRefused), windowTitle(),
                               Prompts::Icon::kExclamation);
      return;
    }
  }

  ProgressBar1->setValue(0);
  ProgressBar1->show();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::u16string& source = editor_.BeginConversion();
  editor_.SetUndoEnabled(true);
  // The run takes no events; the bar is painted as it goes, a few times a second.
  QElapsedTimer since_paint;
  since_paint.start();
  std::u16string report;
  const std::u16string result = ConvertRotary(
      source, options, editor_.module(),
      [&](std::size_t done, std::size_t total) {
        if (since_paint.hasExpired(30)) {
          const double scale = total > INT_MAX ? static_cast<double>(INT_MAX) / total : 1.0;
          ProgressBar1->setMaximum(static_cast<int>(total * scale));
          ProgressBar1->setValue(static_cast<int>(done * scale));
          ProgressBar1->repaint();
          since_paint.restart();
        }
        return true;
      },
      &report);
  editor_.SetPreviewText(result);
  editor_.SetPreviewCheck([options](const ProgramReading& r) { return RotaryCheck(options, r); });
  editor_.ArmPreview();
  QApplication::restoreOverrideCursor();
  ShowReport(report);
  accept();
}

}  // namespace kestrum
