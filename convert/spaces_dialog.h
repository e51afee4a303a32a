// The Space dialog: blanks between words, or renumbering with spaced columns.
#pragma once

#include "shell/conversion_dialog.h"

namespace kestrum {

class Space : public ConversionDialog {
  Q_OBJECT

 public:
  Space(Editor& editor, QWidget* parent);

 private:
  void OKButton_Click();
};

}  // namespace kestrum
