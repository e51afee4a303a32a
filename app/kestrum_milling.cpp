// kestrum-milling: the editor.
#include <QApplication>

#include "shell/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kestrum::frmMain window;
  window.show();
  return app.exec();
}
