// kestrum-backplot-bench: the editor's path check and the backplot on large programs.
//
//   kestrum-backplot-bench EDITOR_PROGRAM BACKPLOT_PROGRAM
//
// With EDITOR_PROGRAM (the 20 MB benchmark program) it converts mm to inch into the preview
// through the Unit dialog, as an operator does, and prints the time of that step next to the
// time the check of its result took on its worker. With BACKPLOT_PROGRAM (one of some 3
// million moves) it shows the path in the backplot's drawing and prints how long drawing it
// into its image takes and how long each paint takes while the view is panned and zoomed.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "convert/unit_dialog.h"
#include "io/file_io.h"
#include "io/textcodec.h"
#include "motion/backplot_widget.h"
#include "shell/main_window.h"
#include "shell/path_check.h"

namespace kestrum {
namespace {

class QuietPrompts : public Prompts {
 public:
  QString file;
  void Notify(QWidget*, const QString& text, const QString&, Icon) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
  }
  bool AskYesNo(QWidget*, const QString&, const QString&, Icon) override { return true; }
  QString OpenFileName(QWidget*, const QString&, const QString&) override { return file; }
  QString SaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
};

void WaitUntil(const std::function<bool()>& done) {
  while (!done()) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

void EditorCheck(const QString& program) {
  QuietPrompts prompts;
  prompts.file = program;
  ProgramKeyState keys;
  frmMain window(QString(), ShellPlatform{&prompts, &keys});
  window.show();
  window.findChild<QAction*>(QStringLiteral("mnuFileOpen"))->trigger();
  QApplication::processEvents();
  auto* check = window.findChild<PathCheck*>();
  bool finished = false;
  QObject::connect(check, &PathCheck::Finished, [&] { finished = true; });
  QElapsedTimer clock;
  clock.start();
  {
    Unit unit(window, &window);
    unit.findChild<QAbstractButton*>(QStringLiteral("Option1_3"))->setChecked(true);
    unit.findChild<QAbstractButton*>(QStringLiteral("OKButton"))->click();
  }
  QApplication::processEvents();
  const double conversion_ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  WaitUntil([&] { return finished; });
  std::printf(
      "editor: unit mm -> inch into the preview %8.1f ms; its check on the worker "
      "%8.1f ms (%s)\n",
      conversion_ms, check->check_ms(),
      check->result() && check->result()->same() ? "same path" : "different path");
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void BackplotPaint(const QString& program) {
  std::string reason;
  const auto bytes = ReadFileBytes(program.toStdString(), &reason, SIZE_MAX);
  if (!bytes) {
    std::fprintf(stderr, "cannot read %s: %s\n", qPrintable(program), reason.c_str());
    return;
  }
  InterpreterOptions options;
  options.no_point = NoPoint::kMm;
  QElapsedTimer clock;
  clock.start();
  auto check = std::make_shared<StoredCheck>(
      StoredCheck{StorePath(DecodeText(*bytes).text, options), {}, {}});
  std::printf("backplot: %zu moves, %zu points, stored in %.0f ms\n", check->source.moves().size(),
              check->source.points().size(), static_cast<double>(clock.nsecsElapsed()) / 1e6);
  BackplotWidget widget;
  widget.resize(1000, 750);
  widget.show();
  widget.SetPaths(check, false);
  WaitUntil([&] { return widget.rendered(); });
  std::vector<double> renders = {widget.render_ms()};
  std::vector<double> paints;
  const auto paint = [&] {
    widget.repaint();
    paints.push_back(widget.paint_ms());
  };
  paint();
  // Zoom in towards the middle and out again, wheel step by wheel step, then pan: every
  // paint shows the last image moved and scaled while the next is drawn.
  for (int step = 0; step < 24; ++step) {
    const QPointF at(500, 375);
    QWheelEvent wheel(at, widget.mapToGlobal(at), QPoint(), QPoint(0, step < 12 ? 120 : -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &wheel);
    paint();
    if (step % 4 == 3) {
      WaitUntil([&] { return widget.rendered(); });
      renders.push_back(widget.render_ms());
      paint();
    }
  }
  std::printf("backplot: drawing the path into its image: median %.1f ms, longest %.1f ms\n",
              Median(renders), *std::max_element(renders.begin(), renders.end()));
  std::printf("backplot: paint while zooming: median %.2f ms, longest %.2f ms over %zu paints\n",
              Median(paints), *std::max_element(paints.begin(), paints.end()), paints.size());
}

}  // namespace
}  // namespace kestrum

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: kestrum-backplot-bench EDITOR_PROGRAM BACKPLOT_PROGRAM\n");
    return 2;
  }
  QTemporaryDir settings;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
  kestrum::EditorCheck(args[1]);
  kestrum::BackplotPaint(args[2]);
  return 0;
}
