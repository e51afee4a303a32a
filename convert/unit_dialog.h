// The Unit dialog: values rescaled between 0.001 mm, 0.01 mm, mm and inch.
#pragma once

#include "shell/conversion_dialog.h"

namespace kestrum {

class Unit : public ConversionDialog {
  Q_OBJECT

 public:
  Unit(Editor& editor, QWidget* parent);

 private:
  void OKButton_Click();
};

}  // namespace kestrum
