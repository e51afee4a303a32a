// What the conversion dialogs share: the Option1 group, OKButton and CancelButton, and the
// run of the OK button that puts the result into the preview.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <string_view>

#include "shell/editor.h"

class QButtonGroup;
class QGridLayout;
class QPushButton;
class QRadioButton;

namespace kestrum {

class ConversionDialog : public QDialog {
  Q_OBJECT

 public:
  // The selected Option1 index.
  int SelectedOption() const;

 protected:
  // A modal dialog with objectName name, the given caption, and OKButton ("OK" unless said
  // otherwise) and CancelButton ("ｷｬﾝｾﾙ") stacked at its right. Cancel closes it.
  ConversionDialog(Editor& editor, const QString& name, const QString& caption, QWidget* parent,
                   const QString& ok_caption = QStringLiteral("OK"));

  // Option button index of Option1 (objectName "Option1_<index>") in the grid of options at
  // row, column. Index 0 starts selected.
  QRadioButton* AddOption(int index, const QString& caption, int row, int column = 0);

  // The OK action of a conversion: wait cursor; BeginConversion (preview emptied, undo
  // snapshot taken); convert the source text with the program-wide state; the result into
  // the preview; ArmPreview; the run's report, if any; close the dialog.
  using Convert =
      std::function<std::u16string(std::u16string_view, Module1&, std::u16string* report)>;
  void RunIntoPreview(const Convert& convert);

  // What a run tells the operator afterwards (the lines it left as written), with the
  // dialog's caption as title; nothing when report is empty.
  void ShowReport(const std::u16string& report);

  Editor& editor_;
  QButtonGroup* Option1;
  QGridLayout* options_;
  QPushButton* OKButton;
  QPushButton* CancelButton;
};

}  // namespace kestrum
