// The XY_CX dialog: positions between X/Y and C (angle) / X (diameter).
#pragma once

#include "shell/conversion_dialog.h"

namespace kestrum {

class XY_CX : public ConversionDialog {
  Q_OBJECT

 public:
  XY_CX(Editor& editor, QWidget* parent);

 private:
  // XY->CX closes the dialog; after CX->XY it stays open, and OK runs again on the source.
  void OKButton_Click();
};

}  // namespace kestrum
