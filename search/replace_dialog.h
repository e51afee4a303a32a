// The Replace dialog frmReplace, and the line-end repair that reports through it.
#pragma once

#include "search/search_dialog.h"

class QLabel;
class QLineEdit;

namespace kestrum {

class frmReplace : public SearchDialog {
  Q_OBJECT

 public:
  frmReplace(Editor& editor, QWidget* parent);

  // Replace (toolbar "置換"): the search starts at the source pane's selection; the dialog,
  // with the selection as its search text, is shown modally and is gone once closed.
  static void Open(Editor& editor);
  // "改行コードにCR追加": a CR before every bare line feed of the source text, the count in a
  // message, and the Replace dialog's Check1 checked (made, hidden, if there is none).
  static void RepairLineEnds(Editor& editor);

 private:
  void txtFind_Change();
  void txtReplace_Change();

  QLabel* Label1;
  QLineEdit* txtFind;
  QLabel* Label2;
  QLineEdit* txtReplace;
};

}  // namespace kestrum
