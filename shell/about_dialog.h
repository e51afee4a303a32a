// The about box frmAbout.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kestrum {

// The program's title and version (the version resource says 1.1.0.3).
inline constexpr char kProgramTitle[] = "Kestrum_Milling";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 1;
inline constexpr int kVersionRevision = 3;

class frmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit frmAbout(QWidget* parent = nullptr);

 private:
  void cmdOK_Click();

  QLabel* picIcon;
  QLabel* lblTitle;
  QLabel* lblVersion;
  QPushButton* cmdOK;
};

}  // namespace kestrum
