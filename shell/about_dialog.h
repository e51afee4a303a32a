// The about box frmAbout.
#pragma once

#include <QDialog>

#include "kestrum_version.h"

class QLabel;
class QPushButton;

namespace kestrum {

// The program's title; its version numbers come from kestrum_version.h.
inline constexpr char kProgramTitle[] = "Kestrum_Milling";

// The main window's fixed caption: "Kestrum_Milling Ver.1.13" for version 1.1.3.
QString MainWindowTitle();

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
