#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <chrono>
#include <functional>
#include <future>
#include <system_error>

#include "convert/abs_inc_dialog.h"
#include "convert/calc_dialog.h"
#include "convert/points_dialog.h"
#include "convert/rotary_dialog.h"
#include "convert/spaces_dialog.h"
#include "convert/unit_dialog.h"
#include "convert/xy_cx_dialog.h"
#include "machine/machine_dialog.h"
#include "search/find_dialog.h"
#include "search/replace_dialog.h"
#include "shell/about_dialog.h"
#include "shell/dialog_prompts.h"
#include "shell/document.h"
#include "shell/icons.h"
#include "shell/line_diff.h"
#include "shell/qt_util.h"
#include "shell/path_check.h"
#include "shell/settings_store.h"
#include "shell/text_pane.h"
#include "shell/window_layout.h"

namespace kestrum {

// A status bar panel: a sunken text field that reports a click with its key.
class StatusPanel : public QLabel {
 public:
  StatusPanel(const QString& key, const QString& tooltip, QWidget* parent) : QLabel(parent) {
    setProperty("key", key);
    setToolTip(tooltip);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAlignment(Qt::AlignCenter);
    setMargin(1);
  }
  // Key panels show their text dimmed while their key is off.
  void SetOn(bool on) {
    setProperty("on", on);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, on ? QColor(Qt::black) : QColor(160, 160, 160));
    setPalette(p);
  }
  std::function<void(const QString&)> clicked;

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && clicked) clicked(property("key").toString());
    QLabel::mousePressEvent(e);
  }
};

namespace {

const QString kTitle = QStringLiteral("Kestrum");
const QString kOpenFilter = QStringLiteral("NC File (*.MIN *.SSB *.NC *.NCD *.NCA);;All Files (*)");
const QString kSaveFilter = QStringLiteral(
    "OSP File (*.MIN);;FANUC File (*.NC);;CAD File (*.NCA);;System Sub (*.SSB);;All Files (*)");
const QString kPreviewCaption = QStringLiteral("変換後");
const QString kPreviewArmedCaption = QStringLiteral("確認後[OK]を押すと左側へ反映します。");
const QString kDefaultMachineFile = QStringLiteral("オークマ OSP→山崎技研 YZ機 FANUC.csv");
// The panes' zoom, shared by both (Scintilla's steps of one point; 0 is the font's size).
const QString kZoomKey = QStringLiteral("PaneZoom");
constexpr int kMinZoom = -10;
// From this size on, the changed lines are found on a thread of their own.
constexpr std::size_t kLargeText = std::size_t{1} << 20;
constexpr int kMaxZoom = 20;

std::string FileName(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The panes' fixed-pitch Japanese font.
QFont PaneFont() {
  const QStringList installed = QFontDatabase::families();
  for (const QString& family :
       {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP")}) {
    if (installed.contains(family)) return QFont(family, 12);
  }
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(12);
  return font;
}

}  // namespace

// The menus in their order: a menu (caption, no command), its items, its separators (no
// caption).
struct frmMain::MenuEntry {
  const char* name;
  const char* caption;
  const char* shortcut;
  void (frmMain::*command)();
};

const frmMain::MenuEntry frmMain::kMenuTable[] = {
    {"mnuFile", "ファイル(&F)", "", nullptr},
    {"mnuFileNew", "新規(&N)", "Ctrl+N", &frmMain::mnuFileNew_Click},
    {"mnuFileOpen", "開く(&O)...", "Ctrl+O", &frmMain::mnuFileOpen_Click},
    {"mnuFileBar0", nullptr, "", nullptr},
    {"mnuFileSave", "上書き保存(&S)", "Ctrl+S", &frmMain::mnuFileSave_Click},
    {"mnuFileSaveAs", "名前を付けて保存(&A)...", "", &frmMain::mnuFileSaveAs_Click},
    {"mnuFileBar1", nullptr, "", nullptr},
    {"mnuFileExit", "終了(&X)", "", &frmMain::mnuFileExit_Click},
    {"mnuEdit", "編集(&E)", "", nullptr},
    {"mnuEditUndo", "元に戻す(&U)", "", &frmMain::mnuEditUndo_Click},
    {"mnuEditBar0", nullptr, "", nullptr},
    {"mnuEditCut", "切り取り(&T)", "Ctrl+X", &frmMain::mnuEditCut_Click},
    {"mnuEditCopy", "ｺﾋﾟｰ(&C)", "Ctrl+C", &frmMain::mnuEditCopy_Click},
    {"mnuEditPaste", "貼り付け(&P)", "Ctrl+V", &frmMain::mnuEditPaste_Click},
    {"mnuEditAllSelect", "すべて選択(&A)", "Ctrl+A", &frmMain::mnuEditAllSelect_Click},
    {"mnuEditBar1", nullptr, "", nullptr},
    {"mnuEditFind", "検索(&F)", "Ctrl+F", &frmMain::mnuEditFind_Click},
    {"mnuEditNextFind", "次を検索", "F3", &frmMain::mnuEditNextFind_Click},
    {"mnuEditReplace", "置換(&R)", "", &frmMain::mnuEditReplace_Click},
    {"mnuEditCalReplace", "計算による置換", "", &frmMain::mnuEditCalReplace_Click},
    {"mnuConvertR", "変換(&C)", "", nullptr},
    {"mnuConvertRotation", "回転軸の近回り", "", &frmMain::mnuConvertRotation_Click},
    {"mnuConvertSpaceAdd", "スペースの追加/削除", "", &frmMain::mnuConvertSpaceAdd_Click},
    {"mnuConvertPointAdd", "小数点の追加/削除", "", &frmMain::mnuConvertPointAdd_Click},
    {"mnuConvertXY_XC", "XY-CX座標変換", "", &frmMain::mnuConvertXY_XC_Click},
    {"mnuConvertG90_G91", "G90-G91 変換", "", &frmMain::mnuConvertG90_G91_Click},
    {"mnuConvertUnit", "単位の変更", "", &frmMain::mnuConvertUnit_Click},
    {"mnuConvertMachine", "機種間の変換", "", &frmMain::mnuConvertMachine_Click},
    {"mnuAddCR", "改行コードにCR追加", "", &frmMain::mnuAddCR_Click},
    {"mnuView", "表示(&V)", "", nullptr},
    {"mnuViewToolPath", "工具経路(&P)", "F8", &frmMain::mnuViewToolPath_Click},
    {"mnuHelp", "ヘルプ(&H)", "", nullptr},
    {"mnuHelpAbout", "ﾊﾞｰｼﾞｮﾝ情報(&A)", "", &frmMain::mnuHelpAbout_Click},
};

// The toolbar in its order, with the command each key runs. Separators have no key.
struct frmMain::ToolEntry {
  const char* key;
  const char* tooltip;
  IconKind icon;
  void (frmMain::*command)();
};

const frmMain::ToolEntry frmMain::kToolTable[] = {
    {"新規", "新規", IconKind::kNew, &frmMain::mnuFileNew_Click},
    {"開く", "開く", IconKind::kOpen, &frmMain::mnuFileOpen_Click},
    {"名前を付けて保存", "名前を付けて保存", IconKind::kSaveAs, &frmMain::mnuFileSaveAs_Click},
    {nullptr, nullptr, IconKind::kNew, nullptr},
    {"元に戻す", "元に戻す", IconKind::kUndo, &frmMain::mnuEditUndo_Click},
    {"切り取り", "切り取り", IconKind::kCut, &frmMain::mnuEditCut_Click},
    {"コピー", "コピー", IconKind::kCopy, &frmMain::mnuEditCopy_Click},
    {"貼り付け", "貼り付け", IconKind::kPaste, &frmMain::mnuEditPaste_Click},
    {"検索", "検索", IconKind::kFind, &frmMain::mnuEditFind_Click},
    {"置換", "置換", IconKind::kReplace, &frmMain::mnuEditReplace_Click},
    {"計算置換", "計算による置換 (原点移動・拡大・縮小など)", IconKind::kCalcReplace,
     &frmMain::mnuEditCalReplace_Click},
    {nullptr, nullptr, IconKind::kNew, nullptr},
    {"回転軸の近回り", "回転軸の近回りMコード追加", IconKind::kRotation,
     &frmMain::mnuConvertRotation_Click},
    {"SpaceAdd", "スペースの追加/削除", IconKind::kSpaces, &frmMain::mnuConvertSpaceAdd_Click},
    {"PointAdd", "小数点の追加/削除", IconKind::kPoints, &frmMain::mnuConvertPointAdd_Click},
    {"XY-CX座標変換", "XY-CX座標変換", IconKind::kXyCx, &frmMain::mnuConvertXY_XC_Click},
    {"G90-G91の変換", "G90-G91の変換", IconKind::kAbsInc, &frmMain::mnuConvertG90_G91_Click},
    {"単位の変更", "単位の変更", IconKind::kUnit, &frmMain::mnuConvertUnit_Click},
    {"機種間の変換", "機種間の変換", IconKind::kMachine, &frmMain::mnuConvertMachine_Click},
};

frmMain::frmMain(const QString& arguments, ShellPlatform platform, QWidget* parent)
    : QMainWindow(parent) {
  if (!platform.prompts) own_prompts_ = std::make_unique<DialogPrompts>();
  if (!platform.keys) own_keys_ = MakeSystemKeyState();
  prompts_ = platform.prompts ? platform.prompts : own_prompts_.get();
  keys_ = platform.keys ? platform.keys : own_keys_.get();

  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(MainWindowTitle());
  setWindowIcon(ProgramIcon());
  BuildPanes();
  BuildMenus();
  BuildToolBar();
  BuildViewBar();
  BuildStatusBar();
  Form_Load(arguments);
}

frmMain::~frmMain() = default;

void frmMain::BuildPanes() {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  const QFont pane_font = PaneFont();

  Line1 = new QFrame(central);
  Line1->setObjectName(QStringLiteral("Line1"));
  Line2 = new QFrame(central);
  Line2->setObjectName(QStringLiteral("Line2"));
  // The etched separator under the toolbar: button shadow over button highlight.
  for (auto [line, role] : {std::pair{Line1, QPalette::Dark}, std::pair{Line2, QPalette::Light}}) {
    QPalette p = line->palette();
    p.setColor(QPalette::Window, p.color(role));
    line->setPalette(p);
    line->setAutoFillBackground(true);
  }

  Label1 = new QLabel(central);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setFont(pane_font);
  Label2 = new QLabel(central);
  Label2->setObjectName(QStringLiteral("Label2"));

  Command1 = new QPushButton(QStringLiteral("O K"), central);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setToolTip(QStringLiteral("変換後のデータを元データと置き換えます。"));
  connect(Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
  Command2 = new QPushButton(QStringLiteral("キャンセル"), central);
  Command2->setObjectName(QStringLiteral("Command2"));
  connect(Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);

  RichTextBox1 = new NcTextEdit(central);
  RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
  RichTextBox1->SetEditKeysToMenu(true);
  RichTextBox1->SetIndexEagerly(true);
  RichTextBox1->setContextMenuPolicy(Qt::NoContextMenu);
  RichTextBox2 = new NcTextEdit(central);
  RichTextBox2->setObjectName(QStringLiteral("RichTextBox2"));
  for (NcTextEdit* pane : {RichTextBox1, RichTextBox2}) {
    pane->SetPaneFont(pane_font);
    connect(pane, &NcTextEdit::InsertKeyPressed, this, [this] { PressKey(kVkInsert); });
    connect(pane, &NcTextEdit::Scrolled, this, [this, pane] { Pane_Scrolled(pane); });
    connect(pane, &NcTextEdit::ZoomChanged, this, &frmMain::Pane_ZoomChanged);
  }
  connect(RichTextBox1, &NcTextEdit::Changed, this, &frmMain::RichTextBox1_Change);
  connect(RichTextBox1, &NcTextEdit::RightButtonPressed, this, &frmMain::RichTextBox1_MouseDown);
}

void frmMain::BuildMenus() {
  QMenu* menu = nullptr;
  for (const MenuEntry& entry : kMenuTable) {
    const QString name = QString::fromLatin1(entry.name);
    if (!entry.caption) {
      menu->addSeparator()->setObjectName(name);
    } else if (!entry.command) {
      menu = menuBar()->addMenu(QString::fromUtf8(entry.caption));
      menu->setObjectName(name);
    } else {
      QAction* item = menu->addAction(QString::fromUtf8(entry.caption));
      item->setObjectName(name);
      item->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut)));
      connect(item, &QAction::triggered, this, entry.command);
    }
  }
  mnuFile = findChild<QMenu*>(QStringLiteral("mnuFile"));
  mnuEdit = findChild<QMenu*>(QStringLiteral("mnuEdit"));
  mnuConvertR = findChild<QMenu*>(QStringLiteral("mnuConvertR"));
  mnuHelp = findChild<QMenu*>(QStringLiteral("mnuHelp"));
  mnuEditUndo = findChild<QAction*>(QStringLiteral("mnuEditUndo"));
}

void frmMain::BuildToolBar() {
  tbToolBar = addToolBar(QStringLiteral("tbToolBar"));
  tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
  tbToolBar->setMovable(false);
  tbToolBar->setFloatable(false);
  tbToolBar->setIconSize(QSize(24, 24));
  tbToolBar->toggleViewAction()->setVisible(false);
  for (const ToolEntry& entry : kToolTable) {
    if (!entry.key) {
      tbToolBar->addSeparator();
      continue;
    }
    const QString key = QString::fromUtf8(entry.key);
    QAction* button =
        tbToolBar->addAction(ToolbarIcon(entry.icon), QString::fromUtf8(entry.tooltip));
    button->setObjectName(key);
    button->setData(key);
    button->setToolTip(QString::fromUtf8(entry.tooltip));
    if (entry.command == &frmMain::mnuEditUndo_Click) undo_button_ = button;
  }
  connect(tbToolBar, &QToolBar::actionTriggered, this,
          [this](QAction* button) { tbToolBar_ButtonClick(button->data().toString()); });
}

// Beside tbToolBar, which keeps its nineteen buttons: scrolling the panes together, and the
// preview's changed lines.
void frmMain::BuildViewBar() {
  tbView = addToolBar(QString());
  tbView->setObjectName(QStringLiteral("tbView"));
  tbView->setMovable(false);
  tbView->setIconSize(QSize(24, 24));
  tbView->toggleViewAction()->setVisible(false);
  scroll_together_ = tbView->addAction(ToolbarIcon(IconKind::kScrollTogether),
                                       QStringLiteral("左右の画面を一緒にスクロール"));
  scroll_together_->setObjectName(QStringLiteral("ScrollTogether"));
  scroll_together_->setCheckable(true);
  scroll_together_->setChecked(true);
  connect(scroll_together_, &QAction::toggled, this, [this](bool on) {
    if (on) Pane_Scrolled(RichTextBox1);
  });
  QAction* previous = tbView->addAction(ToolbarIcon(IconKind::kPreviousChange),
                                        QStringLiteral("前の変更行 (Shift+F7)"));
  previous->setObjectName(QStringLiteral("PreviousChange"));
  previous->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F7));
  connect(previous, &QAction::triggered, this, &frmMain::PreviousChange_Click);
  QAction* next =
      tbView->addAction(ToolbarIcon(IconKind::kNextChange), QStringLiteral("次の変更行 (F7)"));
  next->setObjectName(QStringLiteral("NextChange"));
  next->setShortcut(QKeySequence(Qt::Key_F7));
  connect(next, &QAction::triggered, this, &frmMain::NextChange_Click);
}

void frmMain::BuildStatusBar() {
  sbStatusBar = statusBar();
  sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
  sbStatusBar->setSizeGripEnabled(true);
  const struct {
    const char* text;
    const char* key;
    const char* tooltip;
  } panels[6] = {
      {"", "", ""},
      {"INSRT", "Insrt Key", "インサートキー"},
      {"CAPS", "Caps Lock", "CAPS LOCKの切り替え"},
      {"NUM", "Num Lock", "NUM LOCKの切り替え"},
      {"", "", "日付の表示"},
      {"", "", "時間表示"},
  };
  for (int i = 0; i < 6; ++i) {
    auto* panel = new StatusPanel(QString::fromUtf8(panels[i].key),
                                  QString::fromUtf8(panels[i].tooltip), sbStatusBar);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
    panel->setText(QString::fromUtf8(panels[i].text));
    panel->setMinimumWidth(i == 0 ? 0 : i == 4 ? 90 : 60);
    panel->clicked = [this](const QString& key) { sbStatusBar_PanelClick(key); };
    if (i == 0) {
      sbStatusBar->addWidget(panel, 1);
    } else {
      sbStatusBar->addPermanentWidget(panel);
    }
    panels_[i] = panel;
  }
  clock_ = new QTimer(this);
  connect(clock_, &QTimer::timeout, this, &frmMain::RefreshPanels);
  clock_->start(1000);
  path_check_ = new PathCheck(this, sbStatusBar, *RichTextBox1, *RichTextBox2, module_);
}

// The start-up sequence.
void frmMain::Form_Load(const QString& arguments) {
  ReadSettings();
  SetUndoEnabled(false);
  Label1->setText(QString());
  SetPreviewIdle();
  document_path_.clear();
  module_.SavedStartX.clear();
  module_.SavedStartY.clear();
  module_.SavedStartZ.clear();
  module_.SavedStartComment = 0;
  module_.SavedEndComment = 0;
  module_.SavedToIncremental = true;

  if (!arguments.isEmpty()) {
    const QString path = Q(StartupPath(U(arguments)));
    if (!path.isEmpty() && LoadDocument(path)) {
      document_path_ = path;
      Label1->setText(path);
      SetUndoEnabled(false);
      modified_ = false;
    }
  }
  // Programs are written in capitals.
  if (!keys_->IsOn(kVkCapsLock)) PressKey(kVkCapsLock);
  RefreshPanels();
}

void frmMain::ReadSettings() {
  SettingsStore settings;
  const auto twips = [&settings](const char* key, float fallback) {
    return ReadTwips(U(settings.value(QString::fromLatin1(key)).toString()), fallback);
  };
  const float left = twips("MainLeft", 1000);
  const float top = twips("MainTop", 1000);
  const float width = twips("MainWidth", 12000);
  const float height = twips("MainHeight", 10000);
  move(TwipsToPixels(this, left, true), TwipsToPixels(this, top, false));
  wanted_outer_size_ = QSize(TwipsToPixels(this, width, true), TwipsToPixels(this, height, false));
  resize(wanted_outer_size_);

  const QString own_folder = QCoreApplication::applicationDirPath();
  module_.OpenPathName = U(settings.value(QStringLiteral("OpenPathName"), own_folder).toString());
  module_.MachinePath = U(settings.value(QStringLiteral("MachinePath"), own_folder).toString());
  module_.MachineFileName =
      U(settings.value(QStringLiteral("MachineFileName"), kDefaultMachineFile).toString());
  bool is_number = false;
  const int zoom = settings.value(kZoomKey).toString().toInt(&is_number);
  Pane_ZoomChanged(is_number ? std::clamp(zoom, kMinZoom, kMaxZoom) : 0);
  path_check_->ReadSettings(settings);
}

void frmMain::WriteSettings() {
  SettingsStore settings;
  if (!isMinimized()) {
    // The outer frame, also when maximised.
    const QRect frame = frameGeometry();
    const auto put = [&settings](const char* key, float twips) {
      settings.setValue(QString::fromLatin1(key), Q(TwipsText(twips)));
    };
    put("MainLeft", PixelsToTwips(this, frame.x(), true));
    put("MainTop", PixelsToTwips(this, frame.y(), false));
    put("MainWidth", PixelsToTwips(this, frame.width(), true));
    put("MainHeight", PixelsToTwips(this, frame.height(), false));
  }
  settings.setValue(QStringLiteral("OpenPathName"), Q(module_.OpenPathName));
  settings.setValue(QStringLiteral("MachinePath"), Q(module_.MachinePath));
  settings.setValue(QStringLiteral("MachineFileName"), Q(module_.MachineFileName));
  settings.setValue(kZoomKey, QString::number(zoom_));
  path_check_->WriteSettings(settings);
  settings.sync();
}

// The shutdown sequence; with unsaved changes the operator may keep the window open.
void frmMain::closeEvent(QCloseEvent* e) {
  if (shut_down_) {
    e->accept();
    return;
  }
  if (modified_ &&
      !prompts_->AskYesNo(this, QStringLiteral("データが変更されていますが終了しますか ?"), kTitle,
                          Prompts::Icon::kExclamation)) {
    e->ignore();
    return;
  }
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    if (*it != this && (*it)->isVisible()) (*it)->close();
  }
  WriteSettings();
  if (keys_->IsOn(kVkCapsLock)) PressKey(kVkCapsLock);
  shut_down_ = true;
  e->accept();
}

void frmMain::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  LayoutControls();
}

void frmMain::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (shown_once_) return;
  shown_once_ = true;
  // The stored size is the outer one; once the window manager has framed the window, take
  // the frame off so that the window does not grow by its frame at every start.
  QTimer::singleShot(0, this, [this] {
    const QSize frame = frameGeometry().size() - geometry().size();
    if (!isMaximized() && !frame.isEmpty()) resize(wanted_outer_size_ - frame);
  });
}

void frmMain::LayoutControls() {
  if (isMinimized()) return;
  const QRect frame = frameGeometry();
  const MainLayout l = LayoutMain(PixelsToTwips(this, frame.width(), true),
                                  PixelsToTwips(this, frame.height(), false));
  // The central widget starts under the toolbar, where the separator lines stand.
  const int origin = TwipsToPixels(this, kLine1Top, false);
  const int room = centralWidget()->height();
  const auto place = [&](QWidget* w, const TwipsRect& r) {
    const int top = TwipsToPixels(this, r.top, false) - origin;
    // Panes end above the status bar, also where the formula reaches below it.
    const int height = std::min(TwipsToPixels(this, r.height, false), std::max(room - top - 4, 0));
    w->setGeometry(TwipsToPixels(this, r.left, true), top, TwipsToPixels(this, r.width, true),
                   height);
  };
  const int right = TwipsToPixels(this, l.line_right, true);
  Line1->setGeometry(0, 0, right, 1);
  Line2->setGeometry(0, TwipsToPixels(this, kLine2Top, false) - origin, right, 1);
  place(RichTextBox1, l.source);
  place(RichTextBox2, l.preview);
  place(Command1, l.accept);
  place(Command2, l.cancel);
  place(Label1, l.file_name);
  place(Label2, l.preview_label);
}

// --- document -------------------------------------------------------------------------------

// A large program takes a noticeable time to read and to write: the work runs on a thread
// of its own while the window repaints (input waits until it is done). Small ones run here.
template <typename Work>
static auto WhileRepainting(bool large, const Work& work) -> decltype(work()) {
  if (large) {
    try {
      auto done = std::async(std::launch::async, work);
      while (done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      }
      return done.get();
    } catch (const std::system_error&) {
      // No thread to be had: done here.
    }
  }
  return work();
}

bool frmMain::LoadDocument(const QString& path) {
  const std::string file = FileName(path);
  LoadedProgram loaded = WhileRepainting(QFileInfo(path).size() > static_cast<qint64>(kLargeText),
                                         [&file] { return LoadProgram(file); });
  if (!loaded.ok) {
    ShowFileError(QStringLiteral("ファイルを開けませんでした。"), path, loaded.reason);
    return false;
  }
  RichTextBox1->SetText(std::move(loaded.text.text));
  encoding_ = loaded.text.encoding;
  return true;
}

bool frmMain::SaveDocument(const QString& path) {
  const std::string file = FileName(path);
  const std::u16string text = RichTextBox1->Text();
  const std::u16string reason =
      WhileRepainting(text.size() > kLargeText, [&] { return SaveProgram(file, text, encoding_); });
  if (reason.empty()) return true;
  ShowFileError(QStringLiteral("ファイルを保存できませんでした。"), path, reason);
  return false;
}

void frmMain::ShowFileError(const QString& what, const QString& path,
                            const std::u16string& reason) {
  prompts_->Notify(this, what + QStringLiteral("\n\n") + path + QStringLiteral("\n") + Q(reason),
                   kTitle, Prompts::Icon::kCritical);
}

void frmMain::mnuFileNew_Click() {
  if (modified_ &&
      !prompts_->AskYesNo(this, QStringLiteral("データが変更されていますが新規にしますか ?"),
                          kTitle, Prompts::Icon::kExclamation)) {
    return;
  }
  Label1->setText(QString());
  document_path_.clear();
  RichTextBox1->SetText(u"");
  modified_ = false;
  encoding_ = Encoding::kShiftJis;
}

void frmMain::mnuFileOpen_Click() {
  if (modified_ &&
      !prompts_->AskYesNo(this, QStringLiteral("データが変更されていますが開きますか ?"), kTitle,
                          Prompts::Icon::kExclamation)) {
    return;
  }
  Command2_Click();
  const QString path = prompts_->OpenFileName(this, Q(module_.OpenPathName), kOpenFilter);
  if (path.isEmpty()) return;
  const QFileInfo chosen(path);
  module_.OpenPathName = U(chosen.absolutePath());
  if (!LoadDocument(path)) return;
  document_path_ = path;
  Label1->setText(chosen.fileName());
  SetUndoEnabled(false);
  modified_ = false;
}

void frmMain::mnuFileSave_Click() {
  if (document_path_.isEmpty()) {
    mnuFileSaveAs_Click();
    return;
  }
  if (SaveDocument(document_path_)) modified_ = false;
}

// The path is written as chosen; only the label shows the name in capitals.
void frmMain::mnuFileSaveAs_Click() {
  const QString path = prompts_->SaveFileName(this, Q(module_.OpenPathName), kSaveFilter);
  if (path.isEmpty()) return;
  const QFileInfo chosen(path);
  module_.OpenPathName = U(chosen.absolutePath());
  if (!SaveDocument(path)) return;
  document_path_ = path;
  Label1->setText(chosen.fileName().toUpper());
  modified_ = false;
}

void frmMain::mnuFileExit_Click() { close(); }

// --- edit commands --------------------------------------------------------------------------

void frmMain::RichTextBox1_Change() {
  SetUndoEnabled(true);
  modified_ = true;
  path_check_->SourceChanged();
}

void frmMain::SetUndoEnabled(bool enabled) {
  mnuEditUndo->setEnabled(enabled);
  undo_button_->setEnabled(enabled);
}

void frmMain::mnuEditUndo_Click() {
  NcTextEdit::PutOnClipboard(u"");
  RichTextBox1->SetText(module_.UndoText);
  SetUndoEnabled(false);
}

void frmMain::mnuEditCut_Click() {
  RichTextBox1->TextInto(module_.UndoText);
  NcTextEdit::PutOnClipboard(RichTextBox1->SelectedText());
  RichTextBox1->ReplaceSelection(u"");
  SetUndoEnabled(true);
}

void frmMain::mnuEditCopy_Click() { NcTextEdit::PutOnClipboard(RichTextBox1->SelectedText()); }

void frmMain::mnuEditPaste_Click() {
  RichTextBox1->TextInto(module_.UndoText);
  RichTextBox1->ReplaceSelection(NcTextEdit::ClipboardText());
  SetUndoEnabled(true);
}

void frmMain::mnuEditAllSelect_Click() {
  RichTextBox1->setFocus();
  RichTextBox1->Select(0, SIZE_MAX);
}

void frmMain::RichTextBox1_MouseDown(const QPoint& global_pos) { mnuEdit->popup(global_pos); }

void frmMain::tbToolBar_ButtonClick(const QString& key) {
  for (const ToolEntry& entry : kToolTable) {
    if (entry.key && key == QString::fromUtf8(entry.key)) {
      (this->*entry.command)();
      return;
    }
  }
}

// --- search commands: their dialogs open here -----------------------------------------------

void frmMain::mnuEditFind_Click() { frmFind::Open(*this); }

void frmMain::mnuEditNextFind_Click() { frmFind::FindNextKey(*this); }

void frmMain::mnuEditReplace_Click() { frmReplace::Open(*this); }

void frmMain::mnuEditCalReplace_Click() { frmSizeShift::Open(*this); }

void frmMain::mnuAddCR_Click() { frmReplace::RepairLineEnds(*this); }

// --- conversions: each opens its dialog, which runs into the preview ------------------------

void frmMain::mnuConvertRotation_Click() {
  Spindle dialog(*this, this);
  dialog.exec();
}

void frmMain::mnuConvertSpaceAdd_Click() {
  Space dialog(*this, this);
  dialog.exec();
}

void frmMain::mnuConvertPointAdd_Click() {
  PointAdd dialog(*this, this);
  dialog.exec();
}

void frmMain::mnuConvertXY_XC_Click() {
  XY_CX dialog(*this, this);
  dialog.exec();
}

void frmMain::mnuConvertG90_G91_Click() {
  G90_G91 dialog(*this, this);
  dialog.exec();
}

void frmMain::mnuConvertUnit_Click() {
  Unit dialog(*this, this);
  dialog.exec();
}

void frmMain::mnuConvertMachine_Click() {
  Machine dialog(*this, this);
  dialog.exec();
}

void frmMain::mnuViewToolPath_Click() { path_check_->ShowBackplot(); }

void frmMain::mnuHelpAbout_Click() {
  frmAbout about(this);
  about.exec();
}

// --- preview --------------------------------------------------------------------------------

TextPane& frmMain::source() { return *RichTextBox1; }

int frmMain::SourceLineCount() { return RichTextBox1->lines(); }

const std::u16string& frmMain::BeginConversion() {
  RichTextBox2->Assign(u"");
  RichTextBox1->TextInto(module_.UndoText);
  return module_.UndoText;
}

// The changed lines of a large result are found on another core while the preview takes
// the text in.
void frmMain::SetPreviewText(const std::u16string& text) {
  const std::u16string& source = module_.UndoText;
  std::future<LineRuns> changes;
  if (text.size() > kLargeText) {
    try {
      changes =
          std::async(std::launch::async, [&source, &text] { return ChangedLines(source, text); });
    } catch (const std::system_error&) {
      // No thread to be had: found here after the text.
    }
  }
  RichTextBox2->Assign(text);
  RichTextBox2->SetChangedLines(changes.valid() ? changes.get() : ChangedLines(source, text));
  Pane_Scrolled(RichTextBox1);
  path_check_->SetResultText(text);
}

void frmMain::SetPreviewCheck(CheckMaker maker) { path_check_->SetMaker(std::move(maker)); }

void frmMain::ArmPreview() {
  QPalette p = Label2->palette();
  p.setColor(QPalette::WindowText, QColor(255, 0, 0));
  Label2->setPalette(p);
  Label2->setText(kPreviewArmedCaption);
  Command1->setEnabled(true);
  Command2->setEnabled(true);
  path_check_->Run(module_.UndoText);
}

void frmMain::SetPreviewIdle() {
  Command1->setEnabled(false);
  Command2->setEnabled(false);
  QPalette p = Label2->palette();
  p.setColor(QPalette::WindowText, QColor(0, 0, 0));
  Label2->setPalette(p);
  Label2->setText(kPreviewCaption);
  path_check_->Clear();
}

// Accept: the preview, as it stands (edited or not), becomes the source text.
// The preview's document becomes the source's as it is, without a copy of a large program.
void frmMain::Command1_Click() {
  RichTextBox1->TakeTextOf(*RichTextBox2);
  SetPreviewIdle();
}

void frmMain::Command2_Click() {
  RichTextBox2->Assign(u"");
  SetPreviewIdle();
}

void frmMain::NextChange_Click() { RichTextBox2->GoToChange(true); }

void frmMain::PreviousChange_Click() { RichTextBox2->GoToChange(false); }

void frmMain::Pane_Scrolled(NcTextEdit* pane) {
  if (following_ || !scroll_together_->isChecked()) return;
  NcTextEdit* other = pane == RichTextBox1 ? RichTextBox2 : RichTextBox1;
  if (pane->lines() != other->lines()) return;
  following_ = true;
  other->SetFirstVisibleLine(pane->FirstVisibleLine());
  other->SetHorizontalOffset(pane->HorizontalOffset());
  following_ = false;
}

void frmMain::Pane_ZoomChanged(int zoom) {
  zoom_ = zoom;
  for (NcTextEdit* pane : {RichTextBox1, RichTextBox2}) {
    if (pane->SendScintilla(QsciScintillaBase::SCI_GETZOOM) != zoom) pane->zoomTo(zoom);
  }
}

// --- keys and status bar --------------------------------------------------------------------

void frmMain::PressKey(int key) {
  switch (key & 0xFF) {
    case kVkInsert: {
      const bool overwrite = !RichTextBox1->overwriteMode();
      for (NcTextEdit* pane : {RichTextBox1, RichTextBox2}) pane->setOverwriteMode(overwrite);
      break;
    }
    case kVkCapsLock:
    case kVkNumLock:
      keys_->Toggle(key & 0xFF);
      break;
    default:
      break;
  }
  RefreshPanels();
}

void frmMain::sbStatusBar_PanelClick(const QString& key) {
  if (key == QLatin1String("Insrt Key")) {
    PressKey(kVkInsert);
  } else if (key == QLatin1String("Caps Lock")) {
    PressKey(kVkCapsLock);
  } else if (key == QLatin1String("Num Lock")) {
    PressKey(kVkNumLock);
  }
}

void frmMain::RefreshPanels() {
  panels_[1]->SetOn(RichTextBox1->overwriteMode());
  panels_[2]->SetOn(keys_->IsOn(kVkCapsLock));
  panels_[3]->SetOn(keys_->IsOn(kVkNumLock));
  const QDateTime now = QDateTime::currentDateTime();
  panels_[4]->setText(now.toString(QStringLiteral("yyyy/MM/dd")));
  panels_[5]->setText(now.toString(QStringLiteral("HH:mm")));
}

}  // namespace kestrum
