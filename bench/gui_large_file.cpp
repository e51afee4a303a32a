// kestrum-gui-bench: the editor on a large program, step by step as an operator goes.
//
//   kestrum-gui-bench PROGRAM
//
// Opens PROGRAM through File > Open, converts it (mm to inch) into the preview through the
// Unit dialog's OK button, accepts it, saves it with Save As, undoes the accept, cuts a line
// and undoes that. For each step it prints the wall time until the window has painted the
// result, the processor time, and the longest time in which the window painted nothing (a
// window that paints stays alive to the operator).
#include <time.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>

#include "convert/unit_dialog.h"
#include "shell/main_window.h"

namespace kestrum {
namespace {

// The file dialogs answer with the paths given; no message is expected.
class BenchPrompts : public Prompts {
 public:
  std::deque<QString> files;
  int messages = 0;

  void Notify(QWidget*, const QString& text, const QString&, Icon) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
    ++messages;
  }
  bool AskYesNo(QWidget*, const QString&, const QString&, Icon) override { return true; }
  QString OpenFileName(QWidget*, const QString&, const QString&) override { return Next(); }
  QString SaveFileName(QWidget*, const QString&, const QString&) override { return Next(); }

 private:
  QString Next() {
    if (files.empty()) return QString();
    QString f = files.front();
    files.pop_front();
    return f;
  }
};

// Records when any widget paints.
class PaintClock : public QObject {
 public:
  QElapsedTimer clock;
  std::vector<qint64> paints;

  PaintClock() { clock.start(); }
  bool eventFilter(QObject* object, QEvent* e) override {
    if (e->type() == QEvent::Paint) paints.push_back(clock.elapsed());
    return QObject::eventFilter(object, e);
  }
};

qint64 CpuMs() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<qint64>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

void Step(const char* name, PaintClock& paints, const std::function<void()>& run) {
  QApplication::processEvents();
  const qint64 cpu_start = CpuMs();
  const qint64 start = paints.clock.elapsed();
  paints.paints.clear();
  run();
  // Done when the result is on the screen.
  QApplication::processEvents();
  const qint64 end = paints.clock.elapsed();
  qint64 longest = 0;
  qint64 last = start;
  for (const qint64 t : paints.paints) {
    longest = std::max(longest, t - last);
    last = t;
  }
  longest = std::max(longest, end - last);
  std::printf("%-34s %6lld ms (cpu %6lld ms)   longest without repaint %5lld ms\n", name,
              static_cast<long long>(end - start), static_cast<long long>(CpuMs() - cpu_start),
              static_cast<long long>(longest));
  std::fflush(stdout);
}

int Run(const QString& program) {
  QTemporaryDir temp;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, temp.path());
  BenchPrompts prompts;
  ProgramKeyState keys;
  frmMain window(QString(), ShellPlatform{&prompts, &keys});
  window.show();
  PaintClock paints;
  qApp->installEventFilter(&paints);
  const auto trigger = [&window](const char* name) {
    window.findChild<QAction*>(QString::fromLatin1(name))->trigger();
  };

  std::printf("%s: %lld bytes, %s\n", qPrintable(QFileInfo(program).fileName()),
              static_cast<long long>(QFileInfo(program).size()),
              qPrintable(QGuiApplication::platformName()));
  Step("open and show", paints, [&] {
    prompts.files.push_back(program);
    trigger("mnuFileOpen");
  });
  std::printf("%-34s %8d\n", "  lines in the source pane", window.SourceLineCount());
  Step("unit mm -> inch into the preview", paints, [&] {
    Unit unit(window, &window);
    unit.findChild<QAbstractButton*>(QStringLiteral("Option1_3"))->setChecked(true);
    unit.findChild<QAbstractButton*>(QStringLiteral("OKButton"))->click();
  });
  Step("accept (O K)", paints,
       [&] { window.findChild<QAbstractButton*>(QStringLiteral("Command1"))->click(); });
  Step("save as", paints, [&] {
    prompts.files.push_back(temp.filePath(QStringLiteral("saved.nc")));
    trigger("mnuFileSaveAs");
  });
  std::printf("%-34s %8lld bytes\n", "  saved",
              static_cast<long long>(QFileInfo(temp.filePath(QStringLiteral("saved.nc"))).size()));
  Step("undo (the accept)", paints, [&] { trigger("mnuEditUndo"); });
  Step("cut one line in the middle", paints, [&] {
    const std::size_t middle = window.source().Text().size() / 2;
    window.source().Select(middle, 40);
    trigger("mnuEditCut");
  });
  Step("undo (the cut)", paints, [&] { trigger("mnuEditUndo"); });
  qApp->removeEventFilter(&paints);
  return prompts.messages == 0 ? 0 : 1;
}

}  // namespace
}  // namespace kestrum

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (QApplication::arguments().size() != 2) {
    std::fprintf(stderr, "usage: kestrum-gui-bench PROGRAM\n");
    return 2;
  }
  return kestrum::Run(QApplication::arguments()[1]);
}
