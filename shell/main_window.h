// The main window frmMain: the document, the source pane and the preview beside it, menus,
// toolbar and status bar.
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

#include "io/textcodec.h"
#include "shell/editor.h"
#include "shell/key_state.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QTimer;
class QToolBar;

namespace kestrum {

class NcTextEdit;
class PathCheck;
class StatusPanel;

// What the main window talks to besides its widgets. Left empty, real message boxes and file
// dialogs and the keyboard's own lock keys are used; tests pass their own.
struct ShellPlatform {
  Prompts* prompts = nullptr;
  KeyState* keys = nullptr;
};

class frmMain : public QMainWindow, public Editor {
  Q_OBJECT

 public:
  // Runs the start-up sequence: settings, the file named in arguments (the program's
  // arguments joined by blanks), Caps Lock on.
  explicit frmMain(const QString& arguments = QString(), ShellPlatform platform = {},
                   QWidget* parent = nullptr);
  ~frmMain() override;

  // Editor.
  Module1& module() override { return module_; }
  Prompts& prompts() override { return *prompts_; }
  QWidget* window() override { return this; }
  TextPane& source() override;
  int SourceLineCount() override;
  const std::u16string& BeginConversion() override;
  void SetPreviewText(const std::u16string& text) override;
  void ArmPreview() override;
  void SetUndoEnabled(bool enabled) override;
  void SetPreviewCheck(CheckMaker maker) override;

  // The document.
  const QString& DocumentPath() const { return document_path_; }
  bool Modified() const { return modified_; }
  Encoding DocumentEncoding() const { return encoding_; }

  // Synthesises a press and release of a key: Insert (45) toggles the panes' overwrite mode,
  // Caps Lock (20) and Num Lock (144) their lock. Other keys do nothing.
  void PressKey(int key);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  // One slot per command: the menu item and its toolbar button both run it.
  void mnuFileNew_Click();
  void mnuFileOpen_Click();
  void mnuFileSave_Click();
  void mnuFileSaveAs_Click();
  void mnuFileExit_Click();
  void mnuEditUndo_Click();
  void mnuEditCut_Click();
  void mnuEditCopy_Click();
  void mnuEditPaste_Click();
  void mnuEditAllSelect_Click();
  void mnuEditFind_Click();
  void mnuEditNextFind_Click();
  void mnuEditReplace_Click();
  void mnuEditCalReplace_Click();
  void mnuConvertRotation_Click();
  void mnuConvertSpaceAdd_Click();
  void mnuConvertPointAdd_Click();
  void mnuConvertXY_XC_Click();
  void mnuConvertG90_G91_Click();
  void mnuConvertUnit_Click();
  void mnuConvertMachine_Click();
  void mnuAddCR_Click();
  void mnuViewToolPath_Click();
  void mnuHelpAbout_Click();
  void Command1_Click();
  void Command2_Click();
  void tbToolBar_ButtonClick(const QString& key);
  void sbStatusBar_PanelClick(const QString& key);
  void RichTextBox1_Change();
  void RichTextBox1_MouseDown(const QPoint& global_pos);
  // F7 and Shift+F7: the next or previous changed line of the preview.
  void NextChange_Click();
  void PreviousChange_Click();
  // The other pane follows a pane that scrolled, while both hold as many lines.
  void Pane_Scrolled(NcTextEdit* pane);
  void Pane_ZoomChanged(int zoom);

  struct MenuEntry;
  static const MenuEntry kMenuTable[33];
  struct ToolEntry;
  static const ToolEntry kToolTable[19];

  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void BuildPanes();
  void BuildViewBar();
  void Form_Load(const QString& arguments);
  void ReadSettings();
  void WriteSettings();
  void LayoutControls();
  void RefreshPanels();
  // Loads a file into the source pane; false (after saying why) when it cannot be read.
  bool LoadDocument(const QString& path);
  // Writes the source text to path; false (after saying why) when it could not be written.
  bool SaveDocument(const QString& path);
  void ShowFileError(const QString& what, const QString& path, const std::u16string& reason);
  void SetPreviewIdle();

  Module1 module_;
  std::unique_ptr<Prompts> own_prompts_;
  std::unique_ptr<KeyState> own_keys_;
  Prompts* prompts_;
  KeyState* keys_;

  QString document_path_;
  bool modified_ = false;
  Encoding encoding_ = Encoding::kShiftJis;
  bool shut_down_ = false;
  bool shown_once_ = false;
  QSize wanted_outer_size_;

  QMenu* mnuFile;
  QMenu* mnuEdit;
  QMenu* mnuConvertR;
  QMenu* mnuHelp;
  QAction* mnuEditUndo;
  QToolBar* tbToolBar;
  QAction* undo_button_;
  QToolBar* tbView;  // scrolling together and the change markers, beside tbToolBar
  QAction* scroll_together_;
  bool following_ = false;  // a pane is being scrolled to follow the other
  int zoom_ = 0;
  QStatusBar* sbStatusBar;
  StatusPanel* panels_[6];
  QTimer* clock_;
  QFrame* Line1;
  QFrame* Line2;
  QLabel* Label1;
  QLabel* Label2;
  QPushButton* Command1;
  QPushButton* Command2;
  NcTextEdit* RichTextBox1;
  NcTextEdit* RichTextBox2;
  PathCheck* path_check_;
};

}  // namespace kestrum
