// The editor shell on its real widgets: start-up and shutdown with the settings store, the file
// commands, the preview, the edit commands, toolbar, status bar, about box and the three
// format dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolBar>
#include <QWheelEvent>
#include <cmath>
#include <filesystem>
#include <memory>

#include "convert/points.h"
#include "convert/points_dialog.h"
#include "convert/spaces.h"
#include "convert/spaces_dialog.h"
#include "convert/unit.h"
#include "convert/unit_dialog.h"
#include "shell/about_dialog.h"
#include "shell/line_diff.h"
#include "shell/main_window.h"
#include "shell/text_pane.h"
#include "shell/window_layout.h"
#include "tests/gui_util.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::Click;
using test::Find;
using test::ReadBytes;
using test::ScriptedPrompts;
using test::Str;
using test::Trigger;
using test::U;
using test::Utf8;
using test::WithModal;
using test::WriteBytes;

const char kProgram[] = "%\r\nO1000\r\nN10 G01 X10. Y20. F100\r\nM30\r\n";

int Px(float twips) {
  return static_cast<int>(
      std::lround(twips * QGuiApplication::primaryScreen()->logicalDotsPerInchX() / 1440.0));
}

// What the window writes for a size in pixels.
float Twips(int pixels) {
  return static_cast<float>(pixels * 1440.0 /
                            QGuiApplication::primaryScreen()->logicalDotsPerInchX());
}

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

class Shell : public testing::Test {
 protected:
  frmMain& Start(const QString& arguments = QString()) {
    window_ = std::make_unique<frmMain>(arguments, ShellPlatform{&prompts_, &keys_});
    return *window_;
  }
  frmMain& window() { return *window_; }
  NcTextEdit& Source() { return *Find<NcTextEdit>(window_.get(), "RichTextBox1"); }
  NcTextEdit& Preview() { return *Find<NcTextEdit>(window_.get(), "RichTextBox2"); }
  std::string SourceText() { return Utf8(Source().Text()); }
  std::string PreviewText() { return Utf8(Preview().Text()); }
  QString LabelText(const char* name) { return Find<QLabel>(window_.get(), name)->text(); }
  bool Enabled(const char* name) { return Find<QWidget>(window_.get(), name)->isEnabled(); }
  bool UndoEnabled() { return Find<QAction>(window_.get(), "mnuEditUndo")->isEnabled(); }
  // Opens path through File > Open, answering the file dialog.
  void Open(const fs::path& path) {
    prompts_.open_files.push_back(Q(path));
    Trigger(window_.get(), "mnuFileOpen");
  }
  // A conversion run as a dialog makes it, without the dialog.
  void Convert(const std::u16string& result) {
    window().BeginConversion();
    window().SetPreviewText(result);
    window().ArmPreview();
  }
  std::string Messages() {
    std::string out;
    for (const auto& m : prompts_.shown) out += Str(m.title) + ": " + Str(m.text) + "\n";
    return out;
  }

  test::TempSettings settings_;  // before the window: it reads the store at start-up
  test::TempDir files_;
  ScriptedPrompts prompts_;
  ProgramKeyState keys_;
  std::unique_ptr<frmMain> window_;
};

// --- start-up and shutdown ------------------------------------------------------------------

TEST_F(Shell, FirstStartTakesTheDefaults) {
  Start();
  EXPECT_EQ(window().geometry(), QRect(Px(1000), Px(1000), Px(12000), Px(10000)));
  const std::string own_folder = Str(QCoreApplication::applicationDirPath());
  EXPECT_EQ(Utf8(window().module().OpenPathName), own_folder);
  EXPECT_EQ(Utf8(window().module().MachinePath), own_folder);
  EXPECT_EQ(Utf8(window().module().MachineFileName), "オークマ OSP→山崎技研 YZ機 FANUC.csv");
  EXPECT_TRUE(window().module().SavedToIncremental);
  EXPECT_FALSE(UndoEnabled());
  EXPECT_EQ(Str(LabelText("Label1")), "");
  EXPECT_EQ(Str(LabelText("Label2")), "変換後");
  EXPECT_FALSE(Enabled("Command1"));
  EXPECT_FALSE(Enabled("Command2"));
  EXPECT_EQ(Str(window().DocumentPath()), "");
  EXPECT_FALSE(window().Modified());
  EXPECT_TRUE(keys_.IsOn(kVkCapsLock));  // switched on for programs in capitals
  EXPECT_TRUE(SettingsStore().allKeys().isEmpty()) << "nothing is written before shutdown";
}

TEST_F(Shell, StoredSettingsAreUsedAndNonNumbersFallBack) {
  {
    SettingsStore store;
    store.setValue("MainLeft", "abc");
    store.setValue("MainTop", "1500");
    store.setValue("MainWidth", "9000");
    store.setValue("MainHeight", "");
    store.setValue("OpenPathName", "/nc/programs");
    store.setValue("MachineFileName", "FANUC→OSP.csv");
  }
  keys_.Toggle(kVkCapsLock);  // already on: stays on
  Start();
  EXPECT_EQ(window().geometry(), QRect(Px(1000), Px(1500), Px(9000), Px(10000)));
  EXPECT_EQ(Utf8(window().module().OpenPathName), "/nc/programs");
  EXPECT_EQ(Utf8(window().module().MachinePath), Str(QCoreApplication::applicationDirPath()));
  EXPECT_EQ(Utf8(window().module().MachineFileName), "FANUC→OSP.csv");
  EXPECT_TRUE(keys_.IsOn(kVkCapsLock));
}

TEST_F(Shell, ShutdownWritesGeometryAndPathsAndSwitchesCapsLockOff) {
  Start();
  window().setGeometry(Px(1500), Px(900), 900, 600);
  window().module().OpenPathName = u"/nc/out";
  window().module().MachineFileName = u"表.csv";
  EXPECT_TRUE(window().close());
  SettingsStore store;
  EXPECT_EQ(Str(store.value("MainWidth").toString()), Utf8(TwipsText(Twips(900))));
  EXPECT_EQ(Str(store.value("MainLeft").toString()), Utf8(TwipsText(Twips(Px(1500)))));
  EXPECT_EQ(Str(store.value("OpenPathName").toString()), "/nc/out");
  EXPECT_EQ(Str(store.value("MachineFileName").toString()), "表.csv");
  EXPECT_FALSE(keys_.IsOn(kVkCapsLock));

  // The next start opens where this one closed.
  Start();
  EXPECT_EQ(window().geometry().size(), QSize(900, 600));
}

TEST_F(Shell, ClosingWithUnsavedChangesAsks) {
  Start();
  Source().SetText(u"G01");
  prompts_.answers = {false};
  EXPECT_FALSE(window().close());
  ASSERT_EQ(prompts_.shown.size(), 1u);
  EXPECT_EQ(Str(prompts_.shown[0].text), "データが変更されていますが終了しますか ?");
  EXPECT_EQ(Str(prompts_.shown[0].title), "Kestrum");
  EXPECT_EQ(prompts_.shown[0].icon, Prompts::Icon::kExclamation);
  EXPECT_TRUE(SettingsStore().allKeys().isEmpty()) << "No keeps the window: nothing written";
  EXPECT_TRUE(keys_.IsOn(kVkCapsLock));

  prompts_.answers = {true};
  EXPECT_TRUE(window().close());
  EXPECT_FALSE(SettingsStore().allKeys().isEmpty());
}

TEST_F(Shell, ClosingClosesTheOtherWindows) {
  Start();
  window().show();
  QDialog left_open(&window());
  left_open.show();
  EXPECT_TRUE(window().close());
  EXPECT_FALSE(left_open.isVisible());
}

TEST_F(Shell, ClosingMinimisedKeepsTheStoredGeometry) {
  SettingsStore().setValue("MainWidth", "9000");
  Start();
  window().show();
  window().setWindowState(Qt::WindowMinimized);
  ASSERT_TRUE(window().isMinimized());
  EXPECT_TRUE(window().close());
  SettingsStore store;
  EXPECT_EQ(Str(store.value("MainWidth").toString()), "9000");
  EXPECT_FALSE(store.contains("MainLeft"));
  EXPECT_TRUE(store.contains("OpenPathName"));
}

TEST_F(Shell, StartupFileFromTheCommandLine) {
  const fs::path file = files_.path / "my part.nc";
  WriteBytes(file, kProgram);
  for (const QString& arguments : {"\"" + Q(file) + "\" --more", Q(file)}) {
    SCOPED_TRACE(Str(arguments));
    Start(arguments);
    EXPECT_EQ(SourceText(), kProgram);
    EXPECT_EQ(window().DocumentPath(), Q(file));
    EXPECT_EQ(LabelText("Label1"), Q(file));
    EXPECT_FALSE(window().Modified());
    EXPECT_FALSE(UndoEnabled());
    Trigger(&window(), "mnuFileNew");  // asks nothing: the document is unchanged
    EXPECT_TRUE(prompts_.shown.empty()) << Messages();
  }
}

TEST_F(Shell, MissingStartupFileIsReportedAndTheDocumentStaysNew) {
  const fs::path missing = files_.path / "missing.nc";
  Start(Q(missing));
  ASSERT_EQ(prompts_.shown.size(), 1u);
  EXPECT_EQ(Str(prompts_.shown[0].text),
            "ファイルを開けませんでした。\n\n" + missing.string() + "\nNo such file or directory");
  EXPECT_EQ(prompts_.shown[0].icon, Prompts::Icon::kCritical);
  EXPECT_EQ(SourceText(), "");
  EXPECT_EQ(Str(window().DocumentPath()), "");
  EXPECT_EQ(Str(LabelText("Label1")), "");
}

TEST_F(Shell, LayoutFollowsTheWindowInTwips) {
  Start();
  window().show();
  QApplication::processEvents();  // the window takes its frame off the stored outer size
  const QRect pane = Source().geometry();
  EXPECT_EQ(pane.x(), Px(40));
  EXPECT_EQ(pane.width(), Px(5800));
  EXPECT_EQ(Preview().geometry().x(), Px(5900));
  EXPECT_EQ(Find<QWidget>(&window(), "Command2")->geometry().x(), Px(10550));
  // Too small for the formulas: sizes stop at zero, nothing breaks.
  window().resize(20, 20);
  EXPECT_GE(Source().width(), 0);
  EXPECT_GE(Source().height(), 0);
}

// --- file commands --------------------------------------------------------------------------

TEST_F(Shell, NewAsksAboutChangesAndEmptiesTheDocument) {
  const fs::path file = files_.path / "a.nc";
  WriteBytes(file, kProgram);
  Start(Q(file));
  Source().ReplaceSelection(u"X");
  prompts_.answers = {false};
  Trigger(&window(), "mnuFileNew");
  EXPECT_EQ(Str(prompts_.shown.back().text), "データが変更されていますが新規にしますか ?");
  EXPECT_EQ(SourceText(), std::string("X") + kProgram);
  EXPECT_EQ(window().DocumentPath(), Q(file));

  prompts_.answers = {true};
  Trigger(&window(), "mnuFileNew");
  EXPECT_EQ(SourceText(), "");
  EXPECT_EQ(Str(window().DocumentPath()), "");
  EXPECT_EQ(Str(LabelText("Label1")), "");
  EXPECT_FALSE(window().Modified());
  EXPECT_TRUE(UndoEnabled());  // emptying the text was a change
  EXPECT_EQ(window().DocumentEncoding(), Encoding::kShiftJis);
}

TEST_F(Shell, OpenLoadsTheChosenFile) {
  Start();
  const fs::path file = files_.path / "part.min";
  WriteBytes(file, kProgram);
  Source().SetText(u"old");
  prompts_.answers = {true};
  Open(file);
  EXPECT_EQ(Str(prompts_.shown.back().text), "データが変更されていますが開きますか ?");
  EXPECT_EQ(Str(prompts_.last_folder), Str(QCoreApplication::applicationDirPath()));
  EXPECT_EQ(SourceText(), kProgram);
  EXPECT_EQ(window().DocumentPath(), Q(file));
  EXPECT_EQ(Str(LabelText("Label1")), "part.min");
  EXPECT_EQ(Utf8(window().module().OpenPathName), files_.path.string());
  EXPECT_FALSE(window().Modified());
  EXPECT_FALSE(UndoEnabled());
}

TEST_F(Shell, OpenResetsThePreviewEvenWhenCancelled) {
  Start();
  Source().SetText(u"G01");
  Convert(u"G1");
  prompts_.answers = {true};
  prompts_.open_files = {QString()};
  Trigger(&window(), "mnuFileOpen");
  EXPECT_EQ(PreviewText(), "");
  EXPECT_FALSE(Enabled("Command1"));
  EXPECT_FALSE(Enabled("Command2"));
  EXPECT_EQ(Str(LabelText("Label2")), "変換後");
  EXPECT_EQ(SourceText(), "G01");
  EXPECT_TRUE(window().Modified());

  // Answered No: nothing happens at all, the preview stays armed.
  Convert(u"G1");
  prompts_.answers = {false};
  Trigger(&window(), "mnuFileOpen");
  EXPECT_EQ(PreviewText(), "G1");
  EXPECT_TRUE(Enabled("Command1"));
}

TEST_F(Shell, UnreadableFileKeepsTheDocument) {
  const fs::path file = files_.path / "a.nc";
  WriteBytes(file, kProgram);
  Start(Q(file));
  Source().ReplaceSelection(u"X");
  prompts_.answers = {true};
  Open(files_.path);  // a folder cannot be read as a program
  EXPECT_EQ(Str(prompts_.shown.back().text),
            "ファイルを開けませんでした。\n\n" + files_.path.string() + "\nIs a directory");
  EXPECT_EQ(SourceText(), std::string("X") + kProgram);
  EXPECT_EQ(window().DocumentPath(), Q(file));
  EXPECT_EQ(LabelText("Label1"), Q(file));
  EXPECT_TRUE(window().Modified());
}

TEST_F(Shell, SaveWritesTheDocumentOrAsksForAName) {
  Start();
  Source().SetText(u"G01\r\n");
  // No path yet: Save runs Save As; cancelling it changes nothing.
  prompts_.save_files = {QString()};
  Trigger(&window(), "mnuFileSave");
  EXPECT_EQ(Str(window().DocumentPath()), "");
  EXPECT_TRUE(window().Modified());

  // The path is written as chosen; the label shows the name in capitals.
  const fs::path file = files_.path / "part1.min";
  prompts_.save_files = {Q(file)};
  Trigger(&window(), "mnuFileSave");
  EXPECT_EQ(ReadBytes(file), "G01\r\n");
  EXPECT_EQ(window().DocumentPath(), Q(file));
  EXPECT_EQ(Str(LabelText("Label1")), "PART1.MIN");
  EXPECT_FALSE(fs::exists(files_.path / "PART1.MIN"));
  EXPECT_FALSE(window().Modified());
  EXPECT_TRUE(UndoEnabled());  // saving leaves the Undo state alone

  Source().SetText(u"G02\r\n");
  Trigger(&window(), "mnuFileSave");  // no dialog now
  EXPECT_EQ(ReadBytes(file), "G02\r\n");
  EXPECT_FALSE(window().Modified());
  EXPECT_EQ(Str(LabelText("Label1")), "PART1.MIN");
}

TEST_F(Shell, FailedSaveKeepsTheDocumentAndSaysWhy) {
  const fs::path file = files_.path / "a.nc";
  WriteBytes(file, kProgram);
  Start(Q(file));
  fs::permissions(file, fs::perms(0444));
  Source().ReplaceSelection(u"X");
  Trigger(&window(), "mnuFileSave");
  ASSERT_EQ(prompts_.shown.size(), 1u);
  EXPECT_EQ(Str(prompts_.shown[0].text),
            "ファイルを保存できませんでした。\n\n" + file.string() + "\nPermission denied");
  EXPECT_EQ(ReadBytes(file), kProgram);
  EXPECT_TRUE(window().Modified());

  // Save As to a file that cannot be written: path and label stay as they were.
  prompts_.save_files = {Q(file)};
  Trigger(&window(), "mnuFileSaveAs");
  EXPECT_EQ(window().DocumentPath(), Q(file));
  EXPECT_EQ(LabelText("Label1"), Q(file));
  EXPECT_TRUE(window().Modified());

  // A character that Shift-JIS cannot hold.
  fs::permissions(file, fs::perms(0644));
  Source().SetText(u"(\U0001F600)");
  Trigger(&window(), "mnuFileSave");
  EXPECT_EQ(
      Str(prompts_.shown.back().text),
      "ファイルを保存できませんでした。\n\n" + file.string() +
          "\n1 行目の文字 \"\U0001F600\" (U+1F600) は Shift-JIS のファイルに書き込めません。");
  EXPECT_EQ(ReadBytes(file), kProgram);
  EXPECT_TRUE(window().Modified());
}

TEST_F(Shell, FileSavedUneditedKeepsItsBytes) {
  const std::string rows[] = {
      "G01\r\nX1\nY2\rZ3\r\n",                                   // CR LF, LF and a lone CR
      "(\x89\xc1\x8d\x48 \x83\x65\x83\x58\x83\x67)\r\nG01\r\n",  // Shift-JIS
      "(\xe5\x8a\xa0\xe5\xb7\xa5)\nG01\n",                       // UTF-8, LF only
      "(\x89\xc1\xff)\r\n",                                      // a byte that is not Shift-JIS
  };
  Start();
  const fs::path file = files_.path / "p.nc";
  for (const std::string& bytes : rows) {
    SCOPED_TRACE(bytes);
    WriteBytes(file, bytes);
    Open(file);
    fs::remove(file);
    Trigger(&window(), "mnuFileSave");
    EXPECT_EQ(ReadBytes(file), bytes);
  }
  EXPECT_TRUE(prompts_.shown.empty()) << Messages();
}

// --- preview --------------------------------------------------------------------------------

TEST_F(Shell, AcceptTakesThePreviewAsItStands) {
  Start();
  Source().SetText(u"G1X1\r\n");
  EXPECT_EQ(Utf8(window().BeginConversion()), "G1X1\r\n");
  window().SetPreviewText(u"G01X1.\r\n");
  window().ArmPreview();
  EXPECT_EQ(Str(LabelText("Label2")), "確認後[OK]を押すと左側へ反映します。");
  EXPECT_EQ(Find<QLabel>(&window(), "Label2")->palette().color(QPalette::WindowText),
            QColor(255, 0, 0));
  EXPECT_TRUE(Enabled("Command1"));
  EXPECT_TRUE(Enabled("Command2"));

  Preview().ReplaceSelection(u"(EDITED)");  // the operator edits the preview first
  Click(&window(), "Command1");
  EXPECT_EQ(SourceText(), "(EDITED)G01X1.\r\n");
  EXPECT_EQ(PreviewText(), "");
  EXPECT_FALSE(Enabled("Command1"));
  EXPECT_FALSE(Enabled("Command2"));
  EXPECT_EQ(Str(LabelText("Label2")), "変換後");
  EXPECT_EQ(Find<QLabel>(&window(), "Label2")->palette().color(QPalette::WindowText),
            QColor(0, 0, 0));
  EXPECT_TRUE(window().Modified());
  ASSERT_TRUE(UndoEnabled());

  Trigger(&window(), "mnuEditUndo");
  EXPECT_EQ(SourceText(), "G1X1\r\n");
  EXPECT_FALSE(UndoEnabled());
}

TEST_F(Shell, CancelThrowsThePreviewAway) {
  const fs::path file = files_.path / "a.nc";
  WriteBytes(file, kProgram);
  Start(Q(file));
  Convert(u"G1");
  Click(&window(), "Command2");
  EXPECT_EQ(PreviewText(), "");
  EXPECT_EQ(SourceText(), kProgram);
  EXPECT_FALSE(window().Modified());
  EXPECT_FALSE(UndoEnabled());
  EXPECT_FALSE(Enabled("Command1"));
  EXPECT_EQ(Str(LabelText("Label2")), "変換後");
}

TEST_F(Shell, SecondRunReplacesTheFirstAndTakesItsOwnSnapshot) {
  Start();
  Source().SetText(u"A");
  Convert(u"first");
  Source().SetText(u"B");  // typed between the runs
  Convert(u"second");
  EXPECT_EQ(PreviewText(), "second");
  Click(&window(), "Command1");
  Trigger(&window(), "mnuEditUndo");
  EXPECT_EQ(SourceText(), "B");
}

// --- edit commands --------------------------------------------------------------------------

TEST_F(Shell, CutAndUndo) {
  Start();
  Source().SetText(u"G01 X10.");
  Source().Select(4, 4);
  Trigger(&window(), "mnuEditCut");
  EXPECT_EQ(Utf8(NcTextEdit::ClipboardText()), "X10.");
  EXPECT_EQ(SourceText(), "G01 ");
  EXPECT_TRUE(UndoEnabled());
  Trigger(&window(), "mnuEditUndo");
  EXPECT_EQ(SourceText(), "G01 X10.");
  EXPECT_EQ(Utf8(NcTextEdit::ClipboardText()), "");
  EXPECT_FALSE(UndoEnabled());
  // The snapshot stays: typing and Undo bring it back again.
  Source().ReplaceSelection(u"Y");
  Trigger(&window(), "mnuEditUndo");
  EXPECT_EQ(SourceText(), "G01 X10.");
}

TEST_F(Shell, PasteAndCopy) {
  Start();
  Source().SetText(u"G01\r\nM30");
  Source().Select(0, 3);
  Trigger(&window(), "mnuEditCopy");
  EXPECT_EQ(Utf8(NcTextEdit::ClipboardText()), "G01");
  Source().Select(5, 0);  // nothing selected: insert at the caret
  Trigger(&window(), "mnuEditPaste");
  EXPECT_EQ(SourceText(), "G01\r\nG01M30");
  Trigger(&window(), "mnuEditUndo");
  EXPECT_EQ(SourceText(), "G01\r\nM30");

  Source().Select(2, 0);
  Trigger(&window(), "mnuEditCopy");  // nothing selected: the clipboard is left empty
  EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
}

TEST_F(Shell, UndoWithoutSnapshotEmptiesAndOpenKeepsTheSnapshot) {
  Start();
  Source().ReplaceSelection(u"typed");
  ASSERT_TRUE(UndoEnabled());
  Trigger(&window(), "mnuEditUndo");
  EXPECT_EQ(SourceText(), "");

  Source().SetText(u"first document");
  Source().Select(0, 5);
  Trigger(&window(), "mnuEditCut");  // snapshot: "first document"
  const fs::path file = files_.path / "b.nc";
  WriteBytes(file, "G01");
  prompts_.answers = {true};
  Open(file);
  Source().ReplaceSelection(u"X");
  Trigger(&window(), "mnuEditUndo");
  EXPECT_EQ(SourceText(), "first document");
}

TEST_F(Shell, SelectAllSelectsTheWholeText) {
  Start();
  Source().SetText(u"G01\r\nM30\r\n");
  Trigger(&window(), "mnuEditAllSelect");
  EXPECT_EQ(Source().SelStart(), 0u);
  EXPECT_EQ(Source().SelLength(), 10u);
}

TEST_F(Shell, SourcePaneLeavesEditKeysToTheMenuAndShowsItOnTheRightButton) {
  Start();
  window().show();
  for (NcTextEdit* pane : {&Source(), &Preview()}) {
    QKeyEvent paste(QEvent::ShortcutOverride, Qt::Key_V, Qt::ControlModifier);
    paste.setAccepted(false);
    QApplication::sendEvent(pane, &paste);
    // The source pane lets the menu's Paste (with its snapshot) run; the preview pastes itself.
    EXPECT_EQ(paste.isAccepted(), pane == &Preview()) << Str(pane->objectName());
  }
  QMenu* menu = Find<QMenu>(&window(), "mnuEdit");
  const QPoint at(20, 20);
  QMouseEvent right(QEvent::MouseButtonPress, at, Source().viewport()->mapToGlobal(at),
                    Qt::RightButton, Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(Source().viewport(), &right);
  EXPECT_TRUE(menu->isVisible());
  menu->close();
}

// --- toolbar and status bar -----------------------------------------------------------------

TEST_F(Shell, ToolbarButtonsRunTheMenuCommands) {
  Start();
  QToolBar* bar = Find<QToolBar>(&window(), "tbToolBar");
  ASSERT_EQ(bar->actions().size(), 19);
  EXPECT_TRUE(bar->actions()[3]->isSeparator());
  EXPECT_TRUE(bar->actions()[11]->isSeparator());
  EXPECT_EQ(Str(bar->actions()[10]->toolTip()), "計算による置換 (原点移動・拡大・縮小など)");

  // The Undo button is enabled exactly when the menu item is.
  QAction* undo = bar->actions()[4];
  EXPECT_FALSE(undo->isEnabled());
  Source().SetText(u"G01");
  EXPECT_TRUE(undo->isEnabled());
  Convert(u"G1");
  Click(&window(), "Command1");
  undo->trigger();
  EXPECT_EQ(SourceText(), "G01");
  EXPECT_FALSE(Find<QAction>(&window(), "mnuEditUndo")->isEnabled());

  // Each conversion button opens the same dialog as its menu item.
  const struct {
    const char* button;
    const char* item;
    const char* dialog;
  } rows[] = {{"SpaceAdd", "mnuConvertSpaceAdd", "Space"},
              {"PointAdd", "mnuConvertPointAdd", "PointAdd"},
              {"単位の変更", "mnuConvertUnit", "Unit"}};
  for (const auto& row : rows) {
    for (const char* action : {row.button, row.item}) {
      SCOPED_TRACE(action);
      WithModal<QDialog>([&] { Trigger(&window(), action); },
                         [&](QDialog& d) { EXPECT_EQ(Str(d.objectName()), row.dialog); });
    }
  }
}

// --- the panes -----------------------------------------------------------------------------

TEST_F(Shell, PreviewMarksTheChangedLinesAndF7GoesToThem) {
  Start();
  Source().SetText(u"N1 G1 X1\r\nN2 X2\r\nN3 X3\r\nN4 X4\r\n");
  Convert(u"N1 G1 X1\r\nN2 X2.\r\nN3 X3\r\nN4 X4.\r\n");
  EXPECT_EQ(Preview().ChangedLines(), (LineRuns{{1, 2}, {3, 4}}));
  const auto caret_line = [this] {
    return Preview().SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION,
                                   Preview().SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
  };
  Trigger(&window(), "NextChange");
  EXPECT_EQ(caret_line(), 1);
  Trigger(&window(), "NextChange");
  EXPECT_EQ(caret_line(), 3);
  Trigger(&window(), "PreviousChange");
  EXPECT_EQ(caret_line(), 1);
  EXPECT_EQ(Find<QAction>(&window(), "NextChange")->shortcut(), QKeySequence(Qt::Key_F7));
  EXPECT_EQ(Find<QAction>(&window(), "PreviousChange")->shortcut(),
            QKeySequence(Qt::SHIFT | Qt::Key_F7));
  // A line inserted by the conversion is marked alone; accepting takes the markers away.
  Convert(u"N1 G1 X1\r\nG91\r\nN2 X2\r\nN3 X3\r\nN4 X4\r\n");
  EXPECT_EQ(Preview().ChangedLines(), (LineRuns{{1, 2}}));
  Click(&window(), "Command1");
  EXPECT_TRUE(Preview().ChangedLines().empty());
  EXPECT_EQ(Source().SendScintilla(QsciScintillaBase::SCI_MARKERGET, 1), 0);
}

TEST_F(Shell, PanesScrollTogetherWhileTheirLineCountsMatch) {
  Start();
  window().show();
  std::u16string text;
  for (int i = 0; i < 2000; ++i) text += u"G01 X" + U(std::to_string(i)) + u".\r\n";
  Source().SetText(text);
  Convert(text);
  const auto scroll = [this](NcTextEdit& pane, int line) {
    pane.SetFirstVisibleLine(line);
    QApplication::processEvents();
  };
  scroll(Source(), 500);
  EXPECT_EQ(Preview().FirstVisibleLine(), 500);
  scroll(Preview(), 900);
  EXPECT_EQ(Source().FirstVisibleLine(), 900);
  // The toggle turns it off ...
  QAction* together = Find<QAction>(&window(), "ScrollTogether");
  ASSERT_TRUE(together->isChecked());
  together->trigger();
  scroll(Source(), 100);
  EXPECT_EQ(Preview().FirstVisibleLine(), 900);
  // ... and on again, which brings the preview to the source.
  together->trigger();
  QApplication::processEvents();
  EXPECT_EQ(Preview().FirstVisibleLine(), 100);
  // Different line counts: each pane scrolls alone.
  Convert(text + u"M30\r\n");
  scroll(Source(), 700);
  EXPECT_NE(Preview().FirstVisibleLine(), 700);
}

TEST_F(Shell, ZoomIsSharedByThePanesAndKeptInTheSettings) {
  Start();
  window().show();
  const auto zoom = [](NcTextEdit& pane) {
    return pane.SendScintilla(QsciScintillaBase::SCI_GETZOOM);
  };
  const auto margin = [](NcTextEdit& pane) {
    return pane.SendScintilla(QsciScintillaBase::SCI_GETMARGINWIDTHN, 0);
  };
  const long narrow = margin(Source());
  EXPECT_GT(narrow, 0) << "line numbers are shown";
  QWheelEvent wheel(QPointF(50, 50), Source().viewport()->mapToGlobal(QPoint(50, 50)), QPoint(),
                    QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(Source().viewport(), &wheel);
  EXPECT_GT(zoom(Source()), 0);
  EXPECT_EQ(zoom(Preview()), zoom(Source()));
  EXPECT_GT(margin(Source()), narrow) << "the line numbers grow with the text";
  const long zoomed = zoom(Source());
  EXPECT_TRUE(window().close());
  EXPECT_EQ(Str(SettingsStore().value("PaneZoom").toString()), std::to_string(zoomed));

  Start();
  EXPECT_EQ(zoom(Source()), zoomed);
  EXPECT_EQ(zoom(Preview()), zoomed);
  QKeyEvent reset(QEvent::KeyPress, Qt::Key_0, Qt::ControlModifier, QStringLiteral("0"));
  QApplication::sendEvent(&Preview(), &reset);
  EXPECT_EQ(zoom(Source()), 0);
  EXPECT_EQ(zoom(Preview()), 0);
}

TEST_F(Shell, LineNumbersWidenForLongPrograms) {
  Start();
  const auto margin = [this] {
    return Source().SendScintilla(QsciScintillaBase::SCI_GETMARGINWIDTHN, 0);
  };
  const long short_program = margin();
  std::u16string text;
  for (int i = 0; i < 120000; ++i) text += u"X1\r\n";
  Source().SetText(text);
  EXPECT_GT(margin(), short_program);
  Source().SetText(u"X1");
  EXPECT_EQ(margin(), short_program);
}

// Japanese comments come in through the input method in the source pane.
TEST_F(Shell, InputMethodTypesJapaneseIntoTheSource) {
  Start();
  Source().SetText(u"G01 ()\r\n");
  Source().Select(5, 0);
  QInputMethodEvent preedit(QStringLiteral("こうぐ"), {});
  QApplication::sendEvent(&Source(), &preedit);
  EXPECT_EQ(SourceText(), "G01 (こうぐ)\r\n");
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("工具"));
  QApplication::sendEvent(&Source(), &commit);
  EXPECT_EQ(SourceText(), "G01 (工具)\r\n");
  EXPECT_TRUE(window().Modified());
  EXPECT_TRUE(UndoEnabled());
}

TEST_F(Shell, StatusPanelsToggleTheirKeys) {
  Start();
  const auto panel = [this](int n) {
    return Find<QLabel>(&window(), ("Panel" + std::to_string(n)).c_str());
  };
  const auto click = [&](int n) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel(n), &press);
  };
  ASSERT_TRUE(keys_.IsOn(kVkCapsLock));
  click(3);
  EXPECT_FALSE(keys_.IsOn(kVkCapsLock));
  EXPECT_FALSE(panel(3)->property("on").toBool());
  click(4);
  EXPECT_TRUE(keys_.IsOn(kVkNumLock));
  click(2);
  EXPECT_TRUE(Source().overwriteMode());
  EXPECT_TRUE(panel(2)->property("on").toBool());
  QKeyEvent insert(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
  QApplication::sendEvent(&Source(), &insert);  // the Insert key itself does the same
  EXPECT_FALSE(Source().overwriteMode());
  EXPECT_FALSE(panel(2)->property("on").toBool());
  click(2);
  click(5);  // the date panel has no key
  click(1);
  EXPECT_FALSE(keys_.IsOn(kVkCapsLock));
  EXPECT_TRUE(keys_.IsOn(kVkNumLock));
  EXPECT_TRUE(Source().overwriteMode());
  EXPECT_EQ(panel(5)->text(), QDate::currentDate().toString("yyyy/MM/dd"));
}

// --- dialogs --------------------------------------------------------------------------------

TEST_F(Shell, AboutBoxShowsTitleAndVersion) {
  Start();
  for (int i = 0; i < 2; ++i) {  // created anew each time, with the same texts
    WithModal<frmAbout>([&] { Trigger(&window(), "mnuHelpAbout"); },
                        [](frmAbout& about) {
                          EXPECT_EQ(Str(about.windowTitle()), "ﾊﾞｰｼﾞｮﾝ情報 Kestrum_Milling");
                          EXPECT_EQ(Str(Find<QLabel>(&about, "lblTitle")->text()),
                                    "Kestrum_Milling");
                          EXPECT_EQ(Str(Find<QLabel>(&about, "lblVersion")->text()), "Ver. 1.1.3");
                          QPushButton* ok = Find<QPushButton>(&about, "cmdOK");
                          EXPECT_TRUE(ok->isDefault());
                          ok->click();
                          EXPECT_FALSE(about.isVisible());
                        });
  }
}

// The three dialogs through their own buttons: the result in the preview is the conversion's.
TEST_F(Shell, FormatDialogsRunIntoThePreview) {
  const std::u16string program = u"N10G1X10Y20.5\r\nG01 X1000 (A B)\r\nM30\r\n";
  const struct {
    const char* item;
    const char* caption;
    const char* option;
    std::function<std::u16string(Module1&)> expected;
  } rows[] = {
      {"mnuConvertSpaceAdd", "スペースの追加/削除", "Option1_2",
       [&](Module1& m) { return ConvertSpaces(program, SpaceMode::kRemoveBlanks, m); }},
      {"mnuConvertPointAdd", "小数点の追加/削除", "Option1_1",
       [&](Module1& m) { return ConvertPoints(program, PointMode::kAddPointZero, m); }},
      {"mnuConvertUnit", "単位の変更", "Option1_3",
       [&](Module1& m) { return ConvertUnit(program, UnitMode::kMmToInch, m); }},
  };
  Start();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.item);
    Source().SetText(program);
    Module1 fresh;
    const std::u16string expected = row.expected(fresh);
    WithModal<ConversionDialog>([&] { Trigger(&window(), row.item); },
                                [&](ConversionDialog& d) {
                                  EXPECT_EQ(Str(d.windowTitle()), row.caption);
                                  EXPECT_TRUE(Find<QRadioButton>(&d, "Option1_0")->isChecked());
                                  Click(&d, row.option);
                                  Click(&d, "OKButton");
                                  EXPECT_FALSE(d.isVisible());
                                });
    EXPECT_EQ(Utf8(Preview().Text()), Utf8(expected));
    EXPECT_EQ(Utf8(window().module().UndoText), Utf8(program));
    EXPECT_TRUE(Enabled("Command1"));
    EXPECT_EQ(Utf8(Source().Text()), Utf8(program));  // unchanged until accepted
    Click(&window(), "Command2");
  }
  // Cancel converts nothing.
  WithModal<ConversionDialog>([&] { Trigger(&window(), "mnuConvertUnit"); },
                              [](ConversionDialog& d) { Click(&d, "CancelButton"); });
  EXPECT_EQ(PreviewText(), "");
  EXPECT_FALSE(Enabled("Command1"));

  // The run took the undo snapshot: typing after it and Undo bring back the text it read.
  Source().SetText(u"(BEFORE)");
  WithModal<ConversionDialog>([&] { Trigger(&window(), "mnuConvertSpaceAdd"); },
                              [](ConversionDialog& d) { Click(&d, "OKButton"); });
  Source().SetText(u"typed");
  Trigger(&window(), "mnuEditUndo");
  EXPECT_EQ(SourceText(), "(BEFORE)");
}

TEST_F(Shell, UnitDialogFacesEachConversionWithItsReverse) {
  Start();
  WithModal<Unit>(
      [&] { Trigger(&window(), "mnuConvertUnit"); },
      [](Unit& d) {
        const auto at = [&d](int index) {
          return Find<QRadioButton>(&d, ("Option1_" + std::to_string(index)).c_str())->geometry();
        };
        // Left column 0, 1, 2; right column 4, 5, 3, row by row.
        for (const auto& [left, right] : {std::pair{0, 4}, {1, 5}, {2, 3}}) {
          EXPECT_EQ(at(left).top(), at(right).top());
          EXPECT_LT(at(left).right(), at(right).left());
        }
        EXPECT_EQ(Str(Find<QRadioButton>(&d, "Option1_2")->text()), "  1 inch → 1 mm");
      });
}

}  // namespace
}  // namespace kestrum
