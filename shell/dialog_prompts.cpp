#include "shell/dialog_prompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kestrum {
namespace {

QMessageBox::Icon ToQt(Prompts::Icon icon) {
  switch (icon) {
    case Prompts::Icon::kInformation:
      return QMessageBox::Information;
    case Prompts::Icon::kExclamation:
      return QMessageBox::Warning;
    case Prompts::Icon::kCritical:
      return QMessageBox::Critical;
    case Prompts::Icon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void DialogPrompts::Notify(QWidget* parent, const QString& text, const QString& title, Icon icon) {
  QMessageBox box(ToQt(icon), title, text, QMessageBox::NoButton, parent);
  box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
  box.exec();
}

bool DialogPrompts::AskYesNo(QWidget* parent, const QString& text, const QString& title,
                             Icon icon) {
  QMessageBox box(ToQt(icon), title, text, QMessageBox::NoButton, parent);
  QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const QString& folder,
                                            const QString& filter, QFileDialog::AcceptMode mode) {
  auto dialog = std::make_unique<QFileDialog>(parent, QString(), folder, filter);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(mode);
  // Open takes an existing file. Save asks before overwriting and accepts only an existing
  // folder; it adds no extension, so a name typed without one is saved without one.
  dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                      : QFileDialog::AnyFile);
  return dialog;
}

namespace {

QString ChosenFile(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

}  // namespace

QString DialogPrompts::OpenFileName(QWidget* parent, const QString& folder, const QString& filter) {
  return ChosenFile(*MakeFileDialog(parent, folder, filter, QFileDialog::AcceptOpen));
}

QString DialogPrompts::SaveFileName(QWidget* parent, const QString& folder, const QString& filter) {
  return ChosenFile(*MakeFileDialog(parent, folder, filter, QFileDialog::AcceptSave));
}

}  // namespace kestrum
