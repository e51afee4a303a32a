// The editor as installed on a Linux desktop: its file dialogs show NC files whatever the case
// of their names, the Machine dialog finds the shipped table when the stored folder does not
// hold it, and the captions carry the project's version.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <filesystem>
#include <memory>
#include <string>

#include "machine/machine_dialog.h"
#include "shell/about_dialog.h"
#include "shell/dialog_prompts.h"
#include "shell/main_window.h"
#include "tests/cli_util.h"
#include "tests/gui_util.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::Click;
using test::Find;
using test::ScriptedPrompts;
using test::Str;
using test::TempDir;
using test::Trigger;
using test::U;
using test::Utf8;
using test::WithModal;
using test::WriteBytes;

class InstallGui : public testing::Test {
 protected:
  InstallGui() { window_ = std::make_unique<frmMain>(QString(), ShellPlatform{&prompts_, &keys_}); }
  frmMain& window() { return *window_; }

  // The filter the command behind action gives its file dialog (which the test cancels).
  QString FilterOf(const char* action, std::deque<QString>& answers) {
    answers = {QString()};
    Trigger(window_.get(), action);
    return prompts_.last_filter;
  }
  QString MachineTableFilter() {
    prompts_.open_files = {QString()};
    WithModal<Machine>([&] { Trigger(window_.get(), "mnuConvertMachine"); },
                       [&](Machine& d) { Click(&d, "Command1"); });
    return prompts_.last_filter;
  }

  std::string Messages() { return prompts_.TakeTexts(); }

  test::TempSettings settings_;
  ScriptedPrompts prompts_;
  ProgramKeyState keys_;
  std::unique_ptr<frmMain> window_;
};

// The names the real file dialog lists in folder under one of its name filters, once the
// folder has been read.
QSet<QString> Listed(const fs::path& folder, const QString& filters, const QString& name_filter,
                     QFileDialog::AcceptMode mode, int expected) {
  const QString path = QString::fromStdString(folder.string());
  const std::unique_ptr<QFileDialog> dialog = MakeFileDialog(nullptr, path, filters, mode);
  // A desktop's own dialog (GTK's) may show only the names in the pattern's case.
  EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
  dialog->selectNameFilter(name_filter);
  dialog->show();
  auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
  EXPECT_NE(view, nullptr);
  QSet<QString> names;
  QElapsedTimer waited;
  waited.start();
  while (view && waited.elapsed() < 5000) {
    QApplication::processEvents();
    names.clear();
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row) {
      if (!view->isRowHidden(row))
        names.insert(view->model()->index(row, 0, root).data().toString());
    }
    // Let a name that should not be there have its chance to appear too.
    if (names.size() >= expected && waited.elapsed() > 300) break;
  }
  dialog->hide();
  return names;
}

// On Linux part.min and PART.MIN are two files; the operator looking for OSP programs wants
// both, whichever tool wrote them.
TEST_F(InstallGui, FileDialogFiltersShowNamesInEitherCase) {
  const QString open = FilterOf("mnuFileOpen", prompts_.open_files);
  const QString save = FilterOf("mnuFileSaveAs", prompts_.save_files);
  const QString table = MachineTableFilter();
  const struct {
    QString filters;
    QFileDialog::AcceptMode mode;
  } dialogs[] = {
      {open, QFileDialog::AcceptOpen},
      {save, QFileDialog::AcceptSave},
      {table, QFileDialog::AcceptOpen},
  };
  int checked = 0;
  for (const auto& d : dialogs) {
    SCOPED_TRACE(Str(d.filters));
    ASSERT_FALSE(d.filters.isEmpty());
    for (const QString& name_filter : d.filters.split(QStringLiteral(";;"))) {
      if (name_filter.contains(QStringLiteral("(*)"))) continue;  // All Files
      SCOPED_TRACE(Str(name_filter));
      // "NC File (*.MIN *.SSB)": part.min and PART.MIN, part.ssb and PART.SSB
      TempDir folder;
      WriteBytes(folder.path / "part.txt", "not a program\r\n");
      QSet<QString> expected;
      const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
      for (auto it = pattern.globalMatch(name_filter); it.hasNext();) {
        const QString extension = it.next().captured(1);
        for (const QString& name : {QStringLiteral("part.") + extension.toLower(),
                                    QStringLiteral("PART.") + extension.toUpper()}) {
          WriteBytes(folder.path / name.toStdString(), "G01 X1.\r\n");
          expected.insert(name);
        }
      }
      ASSERT_FALSE(expected.isEmpty());
      EXPECT_EQ(Listed(folder.path, d.filters, name_filter, d.mode, expected.size()), expected);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 6);  // NC; OSP, FANUC, CAD, System Sub; CSV
}

// An installed editor starts with its own folder as table folder, or with a folder the table
// has gone from; the shipped table of that name is read instead (in a build folder it sits
// beside the programs).
TEST_F(InstallGui, MachineDialogReadsTheShippedTableWhenTheFolderLacksIt) {
  const std::u16string program_folder = U(QCoreApplication::applicationDirPath().toStdString());
  TempDir own;
  const struct {
    std::u16string folder;
    std::u16string name;
    std::u16string folder_after;
    const char* messages;
  } rows[] = {
      {u"", u"FANUC→OSP.csv", program_folder, ""},
      {U((own.path / "gone").string()), u"FANUC→OSP.csv", program_folder, ""},
      {U(own.path.string()), u"オークマ OSP→山崎技研 YZ機 FANUC.csv", program_folder, ""},
      {U(own.path.string()), u"missing.csv", U(own.path.string()), "変換ファイル名エラー\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Utf8(row.folder) + " | " + Utf8(row.name));
    window().module().MachinePath = row.folder;
    window().module().MachineFileName = row.name;
    std::string before;
    WithModal<Machine>([&] { Trigger(window_.get(), "mnuConvertMachine"); },
                       [&](Machine& d) { before = Utf8(d.table().rows[2].before.text); });
    EXPECT_EQ(Messages(), row.messages);
    EXPECT_EQ(Utf8(window().module().MachinePath), Utf8(row.folder_after));
    EXPECT_EQ(before.empty(), *row.messages != '\0');  // the table was read
  }
  // A folder that holds its own table of that name keeps it.
  WriteBytes(own.path / "FANUC→OSP.csv",
             test::ReadBytes(fs::path(KESTRUM_SOURCE_DIR) / "tables" / "FANUC→OSP.csv"));
  window().module().MachinePath = U(own.path.string());
  window().module().MachineFileName = u"FANUC→OSP.csv";
  WithModal<Machine>([&] { Trigger(window_.get(), "mnuConvertMachine"); }, [](Machine&) {});
  EXPECT_EQ(Messages(), "");
  EXPECT_EQ(Utf8(window().module().MachinePath), own.path.string());
}

TEST_F(InstallGui, CaptionsCarryTheProjectVersion) {
  EXPECT_EQ(Str(window().windowTitle()), "Kestrum_Milling Ver.1.13");
  EXPECT_EQ(std::string(kVersionText), "1.1.3");
  frmAbout about(&window());
  EXPECT_EQ(Str(Find<QLabel>(&about, "lblVersion")->text()), "Ver. 1.1.3");
}

}  // namespace
}  // namespace kestrum
