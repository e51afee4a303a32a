// kestrum-screenshot: shows the editor on a program, runs one conversion so that the preview
// is armed and marks the lines it changed, and writes PNG pictures of the main window, its
// menus and every dialog; with a large program given too, a picture of its last lines.
//
//   kestrum-screenshot PROGRAM OUTPUT_DIR [LARGE_PROGRAM]
//
// Run it on a display (tools/screenshot.sh starts Xvfb). The settings store is a temporary
// one: taking pictures leaves the user's settings alone.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "convert/abs_inc_dialog.h"
#include "convert/calc_dialog.h"
#include "convert/points_dialog.h"
#include "convert/rotary_dialog.h"
#include "convert/spaces_dialog.h"
#include "convert/unit_dialog.h"
#include "convert/xy_cx_dialog.h"
#include "machine/machine_dialog.h"
#include "motion/backplot_widget.h"
#include "motion/backplot_window.h"
#include "search/find_dialog.h"
#include "search/replace_dialog.h"
#include "shell/about_dialog.h"
#include "shell/main_window.h"
#include "shell/nc_lexer.h"
#include "shell/path_check_panel.h"
#include "shell/text_pane.h"

namespace kestrum {
namespace {

// Every dialog there is a picture of: its file name and how to make it.
struct Shot {
  const char* file;
  std::function<QDialog*(Editor&)> make;
};

const Shot kDialogs[] = {
    {"about.png", [](Editor& e) -> QDialog* { return new frmAbout(e.window()); }},
    {"space.png", [](Editor& e) -> QDialog* { return new Space(e, e.window()); }},
    {"point_add.png", [](Editor& e) -> QDialog* { return new PointAdd(e, e.window()); }},
    {"unit.png", [](Editor& e) -> QDialog* { return new Unit(e, e.window()); }},
    {"find.png", [](Editor& e) -> QDialog* { return new frmFind(e, e.window()); }},
    {"replace.png", [](Editor& e) -> QDialog* { return new frmReplace(e, e.window()); }},
    {"calc_replace.png", [](Editor& e) -> QDialog* { return new frmSizeShift(e, e.window()); }},
    {"g90_g91.png", [](Editor& e) -> QDialog* { return new G90_G91(e, e.window()); }},
    {"xy_cx.png", [](Editor& e) -> QDialog* { return new XY_CX(e, e.window()); }},
    {"spindle.png", [](Editor& e) -> QDialog* { return new Spindle(e, e.window()); }},
    {"machine.png", [](Editor& e) -> QDialog* { return new Machine(e, e.window()); }},
};

// Lets the window system map and paint what was just shown.
void Settle() {
  for (int i = 0; i < 10; ++i) {
    QApplication::processEvents();
    QThread::msleep(30);
  }
}

// Waits, letting events through, until done() holds or a few seconds have passed.
bool SettleUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 300 && !done(); ++i) {
    QApplication::processEvents();
    QThread::msleep(20);
  }
  return done();
}

bool Save(QWidget* widget, const QDir& out, const char* file);

// The preview edited so that its path parts from the source's at one move (the pocket's
// last side 2 mm longer), the check's panel, and the backplot of both paths in two views.
bool Backplot(frmMain& window, const QDir& out) {
  std::u16string text = window.BeginConversion();
  const auto at = text.find(u"N200 Y10.");
  if (at == std::u16string::npos) {
    std::fprintf(stderr, "kestrum-screenshot: the backplot needs the sample program\n");
    return false;
  }
  text.replace(at, 9, u"N200 Y12.");
  window.SetPreviewCheck(IdenticalCheck);
  window.SetPreviewText(text);
  window.ArmPreview();
  auto* panel = window.findChild<PathCheckPanel*>(QStringLiteral("PathCheckPanel"));
  SettleUntil([&] { return !panel->text().isEmpty(); });
  bool ok = Save(&window, out, "main_window_path_check.png");
  auto* tool_path = window.findChild<QAction*>(QStringLiteral("mnuViewToolPath"));
  tool_path->trigger();
  auto* backplot = window.findChild<BackplotWindow*>(QStringLiteral("frmToolPath"));
  BackplotWidget* picture = backplot->picture();
  SettleUntil([&] { return picture->paths() && picture->rendered(); });
  Settle();
  ok = Save(backplot, out, "backplot.png") && ok;
  backplot->findChild<QComboBox*>(QStringLiteral("cboView"))->setCurrentIndex(3);  // 等角
  SettleUntil([&] { return picture->rendered(); });
  Settle();
  return Save(backplot, out, "backplot_iso.png") && ok;
}

bool Save(QWidget* widget, const QDir& out, const char* file) {
  const QString path = out.filePath(QString::fromLatin1(file));
  if (!widget->grab().save(path, "PNG")) {
    std::fprintf(stderr, "kestrum-screenshot: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// Waits until the panes have coloured what they show (they style in idle time).
void SettleStyles(QWidget& window) {
  QElapsedTimer waited;
  waited.start();
  const auto styled = [](NcTextEdit* pane) { return ShownLinesStyled(*pane); };
  const QList<NcTextEdit*> panes = window.findChildren<NcTextEdit*>();
  while (waited.elapsed() < 60000 && !std::all_of(panes.begin(), panes.end(), styled)) {
    QApplication::processEvents();
    QThread::msleep(2);
  }
  Settle();
}

// A large program at its end, after Ctrl+End.
bool ShootLargeProgram(const QString& program, const QDir& out) {
  frmMain window(program);
  window.show();
  Settle();
  auto* source = window.findChild<NcTextEdit*>(QStringLiteral("RichTextBox1"));
  source->setFocus();
  QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
  QApplication::sendEvent(source, &end);
  SettleStyles(window);
  return Save(&window, out, "large_program_end.png");
}

int Run(const QString& program, const QDir& out, const QString& large) {
  frmMain window(program);
  window.show();
  Settle();
  bool ok = true;
  for (const Shot& shot : kDialogs) {
    std::unique_ptr<QDialog> dialog(shot.make(window));
    dialog->show();
    Settle();
    ok = Save(dialog.get(), out, shot.file) && ok;
  }
  for (const char* menu : {"mnuEdit", "mnuConvertR"}) {
    auto* popup = window.findChild<QMenu*>(QString::fromLatin1(menu));
    popup->popup(window.mapToGlobal(QPoint(40, 40)));
    Settle();
    ok =
        Save(popup, out, menu == QLatin1String("mnuEdit") ? "menu_edit.png" : "menu_convert.png") &&
        ok;
    popup->close();
  }
  // One conversion (decimal points added) so that the preview is armed, its prompt turns
  // red and the lines it changed are marked; F7 goes to the first of them.
  PointAdd points(window, &window);
  points.findChild<QAbstractButton*>(QStringLiteral("OKButton"))->click();
  window.findChild<QAction*>(QStringLiteral("NextChange"))->trigger();
  SettleStyles(window);
  ok = Save(&window, out, "main_window.png") && ok;
  ok = Backplot(window, out) && ok;
  if (!large.isEmpty()) ok = ShootLargeProgram(large, out) && ok;
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace kestrum

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 3 && args.size() != 4) {
    std::fprintf(stderr, "usage: kestrum-screenshot PROGRAM OUTPUT_DIR [LARGE_PROGRAM]\n");
    return 2;
  }
  QTemporaryDir settings;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
  QDir out(args[2]);
  if (!out.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "kestrum-screenshot: cannot create %s\n", qPrintable(args[2]));
    return 1;
  }
  return kestrum::Run(args[1], out, args.size() == 4 ? args[3] : QString());
}
