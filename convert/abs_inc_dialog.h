// The G90_G91 dialog: X, Y and Z between absolute and incremental, followed from a start
// point. Its values are kept in Module1 from one opening to the next.
#pragma once

#include <QElapsedTimer>
#include <cstddef>

#include "shell/conversion_dialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace kestrum {

class G90_G91 : public ConversionDialog {
  Q_OBJECT

 public:
  G90_G91(Editor& editor, QWidget* parent);

  // However the dialog closes (OK, Cancel, the window's close button, Esc), the start texts,
  // the two comment boxes and the direction go back into Module1. Closing it during a run
  // stops the run: nothing reaches the preview.
  void done(int result) override;

 protected:
  // Enter in StartX moves on to StartY, in StartY to StartZ, in StartZ to OKButton.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void OKButton_Click();
  // After each line of a run: the bar follows the lines, and the window takes its events
  // (a repaint, a click on Cancel) every few hundredths of a second. False once the dialog
  // is closed.
  bool Progress(std::size_t lines);

  QGroupBox* Frame1;
  QLabel* Label1[3];
  QLineEdit* StartX;
  QLineEdit* StartY;
  QLineEdit* StartZ;
  QCheckBox* Check1;
  QCheckBox* Check2;
  QCheckBox* Check3;
  QProgressBar* ProgressBar1;
  bool running_ = false;
  bool stopped_ = false;
  QElapsedTimer since_events_;
};

}  // namespace kestrum
