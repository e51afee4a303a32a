// The Spindle dialog: the M code of the shorter direction of turn added where a rotary axis
// would go the long way.
#pragma once

#include "shell/conversion_dialog.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace kestrum {

class Spindle : public ConversionDialog {
  Q_OBJECT

 public:
  Spindle(Editor& editor, QWidget* parent);

 private:
  void OKButton_Click();
  // Text1 is open while "その他の軸" is chosen, Text2 and Text3 while "その他のMコード" is.
  void Option_Click();

  QGroupBox* Frame1;
  QRadioButton* axis_options_[4];  // Option1 to Option4: A, B, C, the letter in Text1
  QLineEdit* Text1;
  QGroupBox* Frame2;
  QRadioButton* code_options_[3];  // Option5 to Option7: M15/M16, M115/M116, Text2/Text3
  QLineEdit* Text2;
  QLineEdit* Text3;
  QLabel* Label1;
  QLabel* Label2;
  QProgressBar* ProgressBar1;
};

}  // namespace kestrum
