// The editor's message boxes and file dialogs: real ones, with Japanese button captions.
#pragma once

#include "shell/editor.h"

namespace kestrum {

class DialogPrompts final : public Prompts {
 public:
  void Notify(QWidget* parent, const QString& text, const QString& title, Icon icon) override;
  bool AskYesNo(QWidget* parent, const QString& text, const QString& title, Icon icon) override;
  QString OpenFileName(QWidget* parent, const QString& folder, const QString& filter) override;
  QString SaveFileName(QWidget* parent, const QString& folder, const QString& filter) override;
};

}  // namespace kestrum
