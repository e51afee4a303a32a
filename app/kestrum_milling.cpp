// kestrum-milling: the editor. A file named on the command line is opened at start-up.
#include <QApplication>
#include <QStringList>

#include "shell/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The argument string as one text: a path with blanks may come in several arguments.
  kestrum::frmMain window(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
  window.show();
  return app.exec();
}
