#include "machine/machine_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStylePainter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "machine/table_location.h"
#include "machine/translate.h"
#include "shell/document.h"
#include "shell/qt_util.h"

namespace kestrum {
namespace {

// Message boxes of this dialog that name no title of their own carry the program's.
const QString kDefaultTitle = QStringLiteral("Kestrum");

constexpr int kRows = 101;   // row 0: headings; rows 1 to 100: the table
constexpr int kColumns = 4;  // column 0: row numbers; then item, before, after
constexpr int kColumnTwips[kColumns] = {450, 2650, 2150, 2150};
constexpr int kRowTwips = 350;

constexpr int kKeyTab = 9;
constexpr int kKeyEnter = 13;
constexpr int kKeyEsc = 27;
constexpr int kKeySpace = 32;
constexpr int kKeyUp = 38;
constexpr int kKeyDown = 40;

// An installed editor's default table folder is its own, bin/, which holds no table: a table
// folder that is empty or lacks the table file gives way to the folder of the shipped tables
// when that holds a table of the name. The operator's own folders stay as they are.
void FindShippedTable(Module1& m) {
  const QString folder = QString::fromStdString(
      TableFolder(Q(m.MachinePath).toStdString(), Q(m.MachineFileName).toStdString(),
                  QCoreApplication::applicationDirPath().toStdString())
          .string());
  if (folder != Q(m.MachinePath)) m.MachinePath = U(folder);
}

TableField& Field(TableRow& row, int column) {
  return column == 1 ? row.item : column == 2 ? row.before : row.after;
}

}  // namespace

Machine::Machine(Editor& editor, QWidget* parent) : QDialog(parent), editor_(editor) {
  setObjectName(QStringLiteral("Machine"));
  setWindowTitle(QStringLiteral("機種間の変換"));
  setModal(true);

  MSFlexGrid1 = new QTableWidget(kRows, kColumns, this);
  MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
  Text1 = new QLineEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->hide();
  Label1 = new QLabel(QStringLiteral("設定ファイル名"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  MachineFile = new QLineEdit(this);
  MachineFile->setObjectName(QStringLiteral("MachineFile"));
  MachineFile->setReadOnly(true);
  Command1 = new QPushButton(QStringLiteral("ファイル読込"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command2 = new QPushButton(QStringLiteral("保存"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  Check1 = new QCheckBox(QStringLiteral("RTS,M99,M00,M01の後に改行を追加。"), this);
  Check1->setObjectName(QStringLiteral("Check1"));
  Label2 = new QLabel(
      QStringLiteral("FANUC_MC→OSP (U,W,G0-4,G10,G27,G28,G29,G30,G43,G49,G52 G53,G54,G55,,G56,"
                     "G57,G58,G59,G65 ,G66,G67 G98,G99対応済)"),
      this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setWordWrap(true);
  OKButton = new QPushButton(QStringLiteral("変　換"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  for (QPushButton* button : {OKButton, CancelButton}) button->setMinimumWidth(100);

  auto* file_row = new QHBoxLayout;
  file_row->addWidget(Label1);
  file_row->addWidget(MachineFile, 1);
  file_row->addWidget(Command1);
  file_row->addWidget(Command2);
  auto* left = new QVBoxLayout;
  left->addWidget(MSFlexGrid1, 1);
  left->addLayout(file_row);
  left->addWidget(Check1);
  left->addWidget(Label2);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 16);
  layout->setSpacing(16);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);

  connect(Command1, &QPushButton::clicked, this, &Machine::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &Machine::Command2_Click);
  connect(OKButton, &QPushButton::clicked, this, &Machine::OKButton_Click);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(MSFlexGrid1, &QTableWidget::currentCellChanged, this, &Machine::MSFlexGrid1_LeaveCell);
  connect(MSFlexGrid1, &QTableWidget::cellDoubleClicked, this, &Machine::MSFlexGrid1_DblClick);
  // An editor left over a cell that scrolls away would stand over another row.
  connect(MSFlexGrid1->verticalScrollBar(), &QScrollBar::valueChanged, this, &Machine::CommitEdit);
  MSFlexGrid1->installEventFilter(this);
  Text1->installEventFilter(this);

  Form_Load();
}

void Machine::Form_Load() {
  QTableWidget* grid = MSFlexGrid1;
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);  // Text1 is the editor
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setWordWrap(false);
  // Row 0 and column 0 are the fixed headings. Their cells hold the texts; the grid's own
  // headers show them, so that they stay in view while the rows scroll.
  const QString headings[kColumns] = {QStringLiteral("No."), QStringLiteral("項　目"),
                                      QStringLiteral("変換前"), QStringLiteral("変換後")};
  for (int column = 0; column < kColumns; ++column) {
    auto* cell = new QTableWidgetItem(headings[column]);
    cell->setTextAlignment(Qt::AlignCenter);
    cell->setFlags(Qt::NoItemFlags);
    grid->setItem(0, column, cell);
    grid->setHorizontalHeaderItem(column, new QTableWidgetItem(headings[column]));
  }
  for (int row = 1; row < kRows; ++row) {
    auto* number = new QTableWidgetItem(QString::number(row));
    number->setTextAlignment(Qt::AlignCenter);
    number->setFlags(Qt::NoItemFlags);
    grid->setItem(row, 0, number);
    grid->setVerticalHeaderItem(row, new QTableWidgetItem(QString::number(row)));
    for (int column = 1; column < kColumns; ++column) {
      auto* cell = new QTableWidgetItem;
      cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      cell->setTextAlignment(column == 1 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
      grid->setItem(row, column, cell);
    }
  }
  grid->setRowHidden(0, true);
  grid->setColumnHidden(0, true);
  grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  grid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
  grid->horizontalHeader()->setFixedHeight(TwipsToPixels(this, kRowTwips, false));
  grid->verticalHeader()->setFixedWidth(TwipsToPixels(this, kColumnTwips[0], true));
  grid->verticalHeader()->setMinimumSectionSize(1);
  grid->verticalHeader()->setDefaultSectionSize(TwipsToPixels(this, kRowTwips, false));
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  for (int column = 0; column < kColumns; ++column) {
    grid->setColumnWidth(column, TwipsToPixels(this, kColumnTwips[column], true));
  }
  int width = grid->verticalHeader()->width() + 2 * grid->frameWidth() +
              grid->verticalScrollBar()->sizeHint().width();
  for (int column = 1; column < kColumns; ++column) width += grid->columnWidth(column);
  grid->setMinimumSize(width, TwipsToPixels(this, kRowTwips, false) * 13);
  // The corner above the row numbers shows the heading of column 0.
  if (auto* corner = grid->findChild<QAbstractButton*>()) corner->installEventFilter(this);
  grid->setCurrentCell(1, 1);

  QPalette yellow = Text1->palette();
  yellow.setColor(QPalette::Base, QColor(255, 255, 128));
  Text1->setPalette(yellow);
  Text1->setFrame(false);
  Text1->clear();
  Text1->hide();

  if (!editor_.module().MachineFileName.empty()) {
    FindShippedTable(editor_.module());
    LoadConversionTable();
  }
}

QString Machine::TableFilePath() const {
  const Module1& m = editor_.module();
  return QDir(Q(m.MachinePath)).filePath(Q(m.MachineFileName));
}

void Machine::ShowMessage(const QString& text, bool error) {
  editor_.prompts().Notify(this, text, kDefaultTitle,
                           error ? Prompts::Icon::kCritical : Prompts::Icon::kNone);
}

void Machine::SetCell(int row, int column, const QString& text) {
  MSFlexGrid1->item(row, column)->setText(text);
}

void Machine::ShowTable() {
  for (int row = 1; row <= kLastRow; ++row) {
    for (int column = 1; column < kColumns; ++column) {
      SetCell(row, column, Q(Field(table_.rows[row], column).text));
    }
  }
}

bool Machine::LoadConversionTable() {
  Text1->hide();
  MSFlexGrid1->hide();
  std::string reason;
  const std::optional<std::string> bytes = ReadFileBytes(TableFilePath().toStdString(), &reason);
  const bool ok = bytes && ReadConversionTable(*bytes, table_);
  ShowTable();  // the rows read before a fault stay
  MSFlexGrid1->setCurrentCell(1, 2);
  MSFlexGrid1->scrollToTop();
  MSFlexGrid1->show();
  if (!ok) {
    ShowMessage(QStringLiteral("変換ファイル名エラー"), false);
    return false;
  }
  MachineFile->setText(Q(editor_.module().MachineFileName).toUpper());
  // Wide enough for the whole name, so that the operator sees which table converts.
  const int name_width = MachineFile->fontMetrics().horizontalAdvance(MachineFile->text()) + 16;
  MachineFile->setMinimumWidth(std::min(name_width, 640));
  return true;
}

void Machine::Command1_Click() {
  Module1& m = editor_.module();
  const QString chosen = editor_.prompts().OpenFileName(
      this, Q(m.MachinePath), QStringLiteral("CSV Files (*.csv);;All Files (*)"));
  if (chosen.isEmpty()) return;
  const QFileInfo file(chosen);
  const std::u16string old_path = m.MachinePath;
  const std::u16string old_name = m.MachineFileName;
  m.MachinePath = U(file.absolutePath());
  m.MachineFileName = U(file.fileName());
  if (!LoadConversionTable()) {
    // A file that is no table stays unnamed: Save would otherwise write the table over it.
    m.MachinePath = old_path;
    m.MachineFileName = old_name;
  }
}

bool Machine::SaveConversionTable() {
  if (editor_.module().MachineFileName.empty()) return false;
  CommitEdit();
  const QString path = TableFilePath();
  int bad_row = 0;
  const std::optional<std::string> bytes = WriteConversionTable(table_, &bad_row);
  QString reason;
  if (!bytes) {
    reason = QStringLiteral("%1行目に、このファイル(Shift-JIS)に書けない文字か改行があります。")
                 .arg(bad_row);
  } else {
    std::string why;
    if (WriteFileAtomically(path.toStdString(), *bytes, &why)) return true;
    reason = QString::fromStdString(why);
  }
  ShowMessage(QStringLiteral("変換ファイルを保存できませんでした。\n\n") + path +
                  QStringLiteral("\n") + reason,
              true);
  return false;
}

void Machine::Command2_Click() { SaveConversionTable(); }

void Machine::OKButton_Click() {
  CommitEdit();
  TranslateResult result;
  {
    const WaitCursor wait;
    const std::u16string& source = editor_.BeginConversion();
    result = TranslateProgram(source, table_, Check1->isChecked(), editor_.module());
    editor_.SetPreviewText(result.text);
  }
  if (!result.ok) {
    // The dialog stays open; the preview keeps what was translated and is not armed.
    ShowMessage(Q(result.message), result.error_icon);
    return;
  }
  // The direction is the table's: OSP to FANUC when the run chose FANUC's number style.
  const bool to_fanuc = editor_.module().OutDialect == 2;
  editor_.SetPreviewCheck(
      [to_fanuc](const ProgramReading& r) { return TranslateCheck(to_fanuc, r); });
  editor_.ArmPreview();
  // Codes no rule translates were kept as written: the operator is told where.
  if (!result.report.empty()) {
    editor_.prompts().Notify(this, Q(result.report), QStringLiteral("機種間の変換"),
                             Prompts::Icon::kExclamation);
  }
  accept();
}

bool Machine::IsEditable(int row, int column) const {
  if (row < 1 || row > kLastRow) return false;
  if (column == 2 || column == 3) return true;
  return column == 1 && row >= 7;  // the item names of rows 1 to 6 are fixed
}

void Machine::PlaceEditor() {
  QTableWidgetItem* cell =
      MSFlexGrid1->item(MSFlexGrid1->currentRow(), MSFlexGrid1->currentColumn());
  if (!cell) return;
  const QRect rect = MSFlexGrid1->visualItemRect(cell);
  Text1->setGeometry(QRect(MSFlexGrid1->viewport()->mapTo(this, rect.topLeft()), rect.size()));
  Text1->setAlignment(MSFlexGrid1->currentColumn() == 1 ? Qt::AlignLeft | Qt::AlignVCenter
                                                        : Qt::AlignCenter);
}

void Machine::BeginCellEdit(int key) {
  const int row = MSFlexGrid1->currentRow();
  const int column = MSFlexGrid1->currentColumn();
  if (!IsEditable(row, column)) return;
  edit_row_ = row;
  edit_column_ = column;
  if (key > kKeySpace) {
    const char32_t typed = static_cast<char32_t>(key);
    Text1->setText(QString::fromUcs4(&typed, 1));
  } else {
    Text1->setText(MSFlexGrid1->item(row, column)->text());
  }
  Text1->deselect();
  Text1->setCursorPosition(static_cast<int>(Text1->text().size()));
  PlaceEditor();
  Text1->show();
  Text1->raise();
  Text1->setFocus();
}

void Machine::CommitEdit() {
  if (Text1->isHidden() || edit_row_ < 1) return;
  const QString text = Text1->text();
  Text1->hide();
  SetCell(edit_row_, edit_column_, text);
  // What the grid shows is what the table holds, so that Save and the translation use it.
  // An unchanged text keeps its field as it was (a number stays a number).
  TableField& field = Field(table_.rows[edit_row_], edit_column_);
  if (U(text) != field.text) field = {TableField::Kind::kText, U(text)};
}

void Machine::MSFlexGrid1_LeaveCell() { CommitEdit(); }

void Machine::MSFlexGrid1_DblClick(int row, int column) {
  if (!IsEditable(row, column)) return;
  MSFlexGrid1->setCurrentCell(row, column);
  BeginCellEdit(kKeySpace);
}

void Machine::HandleEditorKey(int key) {
  const int row = MSFlexGrid1->currentRow();
  const int column = MSFlexGrid1->currentColumn();
  switch (key) {
    case kKeyEnter:
    case kKeyTab:
      CommitEdit();
      MSFlexGrid1->setFocus();
      if (row < kLastRow) {
        MSFlexGrid1->setCurrentCell(row + 1, column);
        PlaceEditor();
      }
      break;
    case kKeyEsc:
      Text1->hide();
      MSFlexGrid1->setFocus();
      break;
    case kKeyUp:
    case kKeyDown:
      CommitEdit();
      MSFlexGrid1->setFocus();
      QApplication::processEvents();
      if (key == kKeyUp && row > 1) MSFlexGrid1->setCurrentCell(row - 1, column);
      if (key == kKeyDown && row < kLastRow) MSFlexGrid1->setCurrentCell(row + 1, column);
      break;
    default:
      break;
  }
}

bool Machine::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Text1 && event->type() == QEvent::KeyPress) {
    // The editor's own keys; Esc is the editor's, not the dialog's.
    static constexpr std::pair<int, int> kEditorKeys[] = {
        {Qt::Key_Return, kKeyEnter}, {Qt::Key_Enter, kKeyEnter}, {Qt::Key_Tab, kKeyTab},
        {Qt::Key_Escape, kKeyEsc},   {Qt::Key_Up, kKeyUp},       {Qt::Key_Down, kKeyDown}};
    const int pressed = static_cast<QKeyEvent*>(event)->key();
    for (const auto& [qt_key, key] : kEditorKeys) {
      if (pressed != qt_key) continue;
      HandleEditorKey(key);
      return true;
    }
    return false;
  }
  if (watched == MSFlexGrid1) {
    // The window getting active again gives the grid back its focus; that is no move of
    // the user's to the grid.
    if (event->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason) {
      CommitEdit();
      return false;
    }
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      int code = 0;
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        code = kKeyEnter;
      } else if (!key->text().isEmpty()) {
        code = static_cast<int>(key->text().toUcs4().value(0));
      } else {
        return false;  // arrows, Page Up, ...: the grid moves
      }
      // Tab moves on and Esc closes the dialog, as everywhere else.
      if (code == kKeyTab || code == kKeyEsc) return false;
      BeginCellEdit(code);
      return true;  // Enter on the grid must not run the translation
    }
    if (event->type() == QEvent::InputMethod) {
      // A character composed by an input method (Japanese) opens the editor holding it.
      const QString committed = static_cast<QInputMethodEvent*>(event)->commitString();
      if (committed.isEmpty()) return false;
      BeginCellEdit(static_cast<int>(committed.toUcs4().value(0)));
      if (!Text1->isHidden()) Text1->setText(committed);
      return true;
    }
    return false;
  }
  if (event->type() == QEvent::Paint && watched != Text1) {
    // The corner button of the grid: the heading "No." of the row numbers.
    auto* corner = static_cast<QAbstractButton*>(watched);
    QStylePainter painter(corner);
    QStyleOptionHeader option;
    option.initFrom(corner);
    option.rect = corner->rect();
    option.text = MSFlexGrid1->item(0, 0)->text();
    option.textAlignment = Qt::AlignCenter;
    option.position = QStyleOptionHeader::OnlyOneSection;
    painter.drawControl(QStyle::CE_Header, option);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace kestrum
