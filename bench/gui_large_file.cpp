// kestrum-gui-bench: the editor on a large program, step by step as an operator goes.
//
//   kestrum-gui-bench PROGRAM
//
// Opens PROGRAM through File > Open, converts it (mm to inch) into the preview through the
// Unit dialog's OK button, accepts it, saves it with Save As, undoes the accept, cuts a line
// in the middle and undoes that, types a character in the middle and jumps to the last line
// with Ctrl+End. For each step it prints the wall time until the window has painted the
// result, the processor time, the longest time in which the window painted nothing (a
// window that paints stays alive to the operator) and the resident memory after it; at the
// end, the peak resident memory of the whole run.
#include <time.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <functional>
#include <string>

#include "convert/unit.h"
#include "convert/unit_dialog.h"
#include "shell/main_window.h"
#include "shell/nc_lexer.h"
#include "shell/text_pane.h"

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

// Records when any widget paints, and when a text pane first does.
class PaintClock : public QObject {
 public:
  QElapsedTimer clock;
  std::vector<qint64> paints;
  qint64 first_pane_paint = -1;

  PaintClock() { clock.start(); }
  bool eventFilter(QObject* object, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      paints.push_back(clock.elapsed());
      if (first_pane_paint < 0 && object->parent() && qobject_cast<NcTextEdit*>(object->parent())) {
        first_pane_paint = clock.elapsed();
      }
    }
    return QObject::eventFilter(object, e);
  }
};

// A small widget asked to repaint every 10 ms: the gaps between its paints are the times in
// which the window could not have reacted to anything.
class Heartbeat : public QWidget {
 public:
  explicit Heartbeat(QWidget* parent) : QWidget(parent) {
    setGeometry(0, 0, 2, 2);
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, [this] { update(); });
    timer_.start();
  }

 protected:
  void paintEvent(QPaintEvent*) override {}

 private:
  QTimer timer_;
};

// A line of /proc/self/status in megabytes: VmRSS (now) or VmHWM (the peak so far).
long MemoryMb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == key) {
      long kb = 0;
      status >> kb;
      return kb / 1024;
    }
  }
  return -1;
}

qint64 CpuMs() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<qint64>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Lets the panes colour what they show (Scintilla styles in idle time), so that a step does
// not pay for the one before it.
void Settle(frmMain& window) {
  QElapsedTimer waited;
  waited.start();
  const auto styled = [](NcTextEdit* pane) { return ShownLinesStyled(*pane); };
  const QList<NcTextEdit*> panes = window.findChildren<NcTextEdit*>();
  while (waited.elapsed() < 20000) {
    QApplication::processEvents();
    if (std::all_of(panes.begin(), panes.end(), styled)) break;
    QThread::msleep(1);
  }
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void Step(const char* name, frmMain& window, PaintClock& paints, const std::function<void()>& run) {
  Settle(window);
  const qint64 cpu_start = CpuMs();
  const qint64 start = paints.clock.elapsed();
  paints.paints.clear();
  paints.first_pane_paint = -1;
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
  const qint64 shown = paints.first_pane_paint < 0 ? -1 : paints.first_pane_paint - start;
  std::printf(
      "%-34s %6lld ms (cpu %6lld ms, pane shown after %6lld ms)   longest without repaint %5lld ms"
      "   rss %5ld MB\n",
      name, static_cast<long long>(end - start), static_cast<long long>(CpuMs() - cpu_start),
      static_cast<long long>(shown), static_cast<long long>(longest), MemoryMb("VmRSS:"));
  std::fflush(stdout);
}

int Run(const QString& program) {
  QTemporaryDir temp;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, temp.path());
  BenchPrompts prompts;
  ProgramKeyState keys;
  frmMain window(QString(), ShellPlatform{&prompts, &keys});
  window.show();
  Heartbeat heartbeat(&window);
  heartbeat.show();
  std::printf("%-34s %8ld MB\n", "resident memory at start", MemoryMb("VmRSS:"));
  PaintClock paints;
  qApp->installEventFilter(&paints);
  const auto trigger = [&window](const char* name) {
    window.findChild<QAction*>(QString::fromLatin1(name))->trigger();
  };

  std::printf("%s: %lld bytes, %s\n", qPrintable(QFileInfo(program).fileName()),
              static_cast<long long>(QFileInfo(program).size()),
              qPrintable(QGuiApplication::platformName()));
  Step("open and show", window, paints, [&] {
    prompts.files.push_back(program);
    trigger("mnuFileOpen");
  });
  std::printf("%-34s %8d\n", "  lines in the source pane", window.SourceLineCount());
  Step("unit mm -> inch into the preview", window, paints, [&] {
    Unit unit(window, &window);
    unit.findChild<QAbstractButton*>(QStringLiteral("Option1_3"))->setChecked(true);
    unit.findChild<QAbstractButton*>(QStringLiteral("OKButton"))->click();
  });
  Step("accept (O K)", window, paints,
       [&] { window.findChild<QAbstractButton*>(QStringLiteral("Command1"))->click(); });
  Step("save as", window, paints, [&] {
    prompts.files.push_back(temp.filePath(QStringLiteral("saved.nc")));
    trigger("mnuFileSaveAs");
  });
  std::printf("%-34s %8lld bytes\n", "  saved",
              static_cast<long long>(QFileInfo(temp.filePath(QStringLiteral("saved.nc"))).size()));
  Step("undo (the accept)", window, paints, [&] { trigger("mnuEditUndo"); });
  // Where the middle is, found before the step: the step is the cut.
  const std::size_t middle = window.source().Text().size() / 2;
  Step("cut one line in the middle", window, paints, [&] {
    window.source().Select(middle, 40);
    trigger("mnuEditCut");
  });
  Step("undo (the cut)", window, paints, [&] { trigger("mnuEditUndo"); });
  auto* source = window.findChild<NcTextEdit*>(QStringLiteral("RichTextBox1"));
  source->setFocus();
  source->Select(middle, 0);
  Step("type one character in the middle", window, paints, [&] {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("X"));
    QApplication::sendEvent(source, &key);
  });
  Step("jump to the last line (Ctrl+End)", window, paints, [&] {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(source, &key);
  });
  std::printf("%-34s %8d\n", "  first line shown", source->FirstVisibleLine());
  qApp->removeEventFilter(&paints);
  std::printf("%-34s %8ld MB\n", "peak resident memory", MemoryMb("VmHWM:"));
  // The conversion by itself, on the same program, for the preview's share of its step.
  {
    const std::u16string text = window.source().Text();
    Module1 fresh;
    const qint64 cpu_start = CpuMs();
    QElapsedTimer wall;
    wall.start();
    const std::u16string result = ConvertUnit(text, UnitMode::kMmToInch, fresh);
    std::printf("%-34s %6lld ms (cpu %6lld ms)\n", "  the conversion alone (no window)",
                static_cast<long long>(wall.elapsed()),
                static_cast<long long>(CpuMs() - cpu_start));
  }
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
