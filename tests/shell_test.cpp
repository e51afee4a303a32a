#include <gtest/gtest.h>

#include <QApplication>

#include "shell/main_window.h"

namespace kestrum {
namespace {

TEST(frmMain, HasItsCaption) {
  int argc = 1;
  char arg0[] = "kestrum_tests_shell";
  char* argv[] = {arg0};
  QApplication app(argc, argv);
  frmMain window;
  EXPECT_EQ(window.windowTitle().toStdString(), "Kestrum_Milling Ver.1.13");
}

}  // namespace
}  // namespace kestrum
