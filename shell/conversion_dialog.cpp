#include "shell/conversion_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/qt_util.h"

namespace kestrum {

ConversionDialog::ConversionDialog(Editor& editor, const QString& name, const QString& caption,
                                   QWidget* parent, const QString& ok_caption)
    : QDialog(parent), editor_(editor) {
  setObjectName(name);
  setWindowTitle(caption);
  setModal(true);

  Option1 = new QButtonGroup(this);
  Option1->setObjectName(QStringLiteral("Option1"));
  options_ = new QGridLayout;
  options_->setHorizontalSpacing(24);
  options_->setVerticalSpacing(10);

  OKButton = new QPushButton(ok_caption, this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  for (QPushButton* button : {OKButton, CancelButton}) button->setMinimumWidth(100);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  buttons->addStretch();
  auto* options_column = new QVBoxLayout;
  options_column->addLayout(options_);
  options_column->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 16);
  layout->setSpacing(24);
  layout->addLayout(options_column);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QRadioButton* ConversionDialog::AddOption(int index, const QString& caption, int row, int column) {
  auto* button = new QRadioButton(caption, this);
  button->setObjectName(QStringLiteral("Option1_%1").arg(index));
  Option1->addButton(button, index);
  options_->addWidget(button, row, column);
  if (index == 0) button->setChecked(true);
  return button;
}

int ConversionDialog::SelectedOption() const { return Option1->checkedId(); }

void ConversionDialog::RunIntoPreview(const Convert& convert) {
  std::u16string report;
  {
    const WaitCursor wait;
    const std::u16string& source = editor_.BeginConversion();
    editor_.SetPreviewText(convert(source, editor_.module(), &report));
    editor_.ArmPreview();
  }
  ShowReport(report);
  accept();
}

void ConversionDialog::ShowReport(const std::u16string& report) {
  if (report.empty()) return;
  editor_.prompts().Notify(this, QString::fromStdU16String(report), windowTitle(),
                           Prompts::Icon::kExclamation);
}

}  // namespace kestrum
