// The main window frmMain.
#pragma once

#include <QMainWindow>

namespace kestrum {

class frmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit frmMain(QWidget* parent = nullptr);
};

}  // namespace kestrum
