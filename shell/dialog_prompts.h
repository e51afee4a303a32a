// The editor's message boxes and file dialogs: real ones, with Japanese button captions.
#pragma once

#include <QFileDialog>
#include <memory>

#include "shell/editor.h"

namespace kestrum {

// The file dialog that OpenFileName and SaveFileName show. It is Qt's own dialog on every
// desktop: its filters match a name whatever the case of its letters, so "*.MIN" shows
// part.min and PART.MIN alike on a file system that tells them apart (a desktop's native
// dialog may match case by case, and GTK's does).
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const QString& folder,
                                            const QString& filter, QFileDialog::AcceptMode mode);

class DialogPrompts final : public Prompts {
 public:
  void Notify(QWidget* parent, const QString& text, const QString& title, Icon icon) override;
  bool AskYesNo(QWidget* parent, const QString& text, const QString& title, Icon icon) override;
  QString OpenFileName(QWidget* parent, const QString& folder, const QString& filter) override;
  QString SaveFileName(QWidget* parent, const QString& folder, const QString& filter) override;
};

}  // namespace kestrum
