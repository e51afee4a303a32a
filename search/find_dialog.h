// The Find dialog frmFind, and the Find and Find next (F3) commands of the main window.
#pragma once

#include "search/search_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrum {

class frmFind : public SearchDialog {
  Q_OBJECT

 public:
  frmFind(Editor& editor, QWidget* parent);

  // Find (Ctrl+F, toolbar "検索"): the dialog (the hidden one F3 may have left, or a new one)
  // with the source pane's selection as its search text, shown modally; closed, it is gone,
  // so the next Find starts at the top again.
  static void Open(Editor& editor);
  // Find next (F3): the next occurrence after the selection's start. When there is none, the
  // message, and the Find dialog's Check1 checked (made, hidden, if there is none).
  static void FindNextKey(Editor& editor);

 private:
  void txtFind_Change();
  void NextFind_Click();

  QLabel* Label1;
  QLineEdit* txtFind;
  QPushButton* NextFind;
  QPushButton* CancelButton;
};

}  // namespace kestrum
