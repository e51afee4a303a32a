#include "shell/main_window.h"

namespace kestrum {

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmMain");
  setWindowTitle(QStringLiteral("Kestrum_Milling Ver.1.13"));
}

}  // namespace kestrum
