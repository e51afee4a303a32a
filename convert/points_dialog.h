// The PointAdd dialog: decimal points on the dimension words, added or removed.
#pragma once

#include "shell/conversion_dialog.h"

namespace kestrum {

class PointAdd : public ConversionDialog {
  Q_OBJECT

 public:
  PointAdd(Editor& editor, QWidget* parent);

 private:
  void OKButton_Click();
};

}  // namespace kestrum
