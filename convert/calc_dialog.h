// The calculated-replace dialog frmSizeShift: the number after each occurrence of a search
// text recomputed with ＋, －, × or ÷ and a value, found, skipped and replaced like the
// Replace dialog does, straight in the source pane.
#pragma once

#include "convert/calc.h"
#include "search/search_dialog.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace kestrum {

class frmSizeShift : public SearchDialog {
  Q_OBJECT

 public:
  frmSizeShift(Editor& editor, QWidget* parent);

  // "計算による置換" (Edit menu, toolbar "計算置換"): the search starts at the source pane's
  // selection, which becomes the search text; the dialog is shown modally.
  static void Open(Editor& editor);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void Text_Change();
  CalcOp Op() const;
  int CalcFormat() const;

  QLabel* Label4;
  QLineEdit* txtFind;
  QLabel* Label2;
  QComboBox* Combo1;
  QLabel* Label3;
  QLineEdit* txtValue;
  QGroupBox* Frame1;
  QLabel* Label8;
  QLabel* Label9;
  QLabel* Label7;
  QRadioButton* Option1;
  QRadioButton* Option2;
  QRadioButton* Option3;
  QRadioButton* Option4;
  QLabel* Label1;
  QLabel* Label5;
  QLabel* Label6;
};

}  // namespace kestrum
