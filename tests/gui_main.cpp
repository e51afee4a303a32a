// main() of the GUI suites: one QApplication for every test of the process, on Qt's offscreen
// platform unless the caller chose another one, and a settings store of its own so that no
// test reads or writes the real user's settings (tests/gui_util.h's TempSettings gives each
// test a fresh one).
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QTemporaryDir settings;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
  return RUN_ALL_TESTS();
}
