// What the conversion and search dialogs need of the editor. The main window implements it;
// dialogs take an Editor& and never reach into the window's widgets.
#pragma once

#include <QString>
#include <string>

#include "motion/relations.h"
#include "ncword/module1.h"
#include "search/text_pane.h"

class QWidget;

namespace kestrum {

// Message boxes and file dialogs. The editor shows real ones; tests answer them.
class Prompts {
 public:
  enum class Icon { kNone, kInformation, kExclamation, kCritical };

  virtual ~Prompts() = default;
  // A message with only an OK button.
  virtual void Notify(QWidget* parent, const QString& text, const QString& title, Icon icon) = 0;
  // A Yes/No question; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& text, const QString& title, Icon icon) = 0;
  // The chosen file's full path, or an empty string when the dialog was cancelled. filter is
  // in Qt's syntax ("NC File (*.MIN *.NC);;All Files (*)").
  virtual QString OpenFileName(QWidget* parent, const QString& folder, const QString& filter) = 0;
  // As OpenFileName; asks before overwriting an existing file.
  virtual QString SaveFileName(QWidget* parent, const QString& folder, const QString& filter) = 0;
};

class Editor {
 public:
  virtual ~Editor() = default;

  virtual Module1& module() = 0;
  virtual Prompts& prompts() = 0;
  // The main window, as parent for dialogs and message boxes.
  virtual QWidget* window() = 0;

  // The source pane RichTextBox1. Its text keeps every line end as the file had it; positions
  // count CR LF as two characters. SetText is a change of the document (Modified, Undo).
  virtual TextPane& source() = 0;
  // The source pane's line count, as the progress maximum of long runs.
  virtual int SourceLineCount() = 0;

  // The preview contract of every conversion run:
  // 1. BeginConversion() empties RichTextBox2, stores the source text in UndoText and returns
  //    it (UndoText itself: a large program is not copied once more);
  // 2. the run produces its result and hands it to SetPreviewText(), which also marks the
  //    lines that differ from UndoText;
  // 3. a run that succeeded calls ArmPreview(); a run that failed does not.
  virtual const std::u16string& BeginConversion() = 0;
  virtual void SetPreviewText(const std::u16string& text) = 0;
  virtual void ArmPreview() = 0;
  // The check of the conversion's relation that runs once the preview is armed (none: the
  // preview is shown, not judged).
  virtual void SetPreviewCheck(CheckMaker) {}

  // The Undo command (toolbar button and menu item together).
  virtual void SetUndoEnabled(bool enabled) = 0;
};

}  // namespace kestrum
