// The Machine dialog: the conversion table in its grid editor, its file, and the OSP <-> FANUC
// translation into the preview.
#pragma once

#include <QDialog>

#include "machine/conversion_table.h"
#include "shell/editor.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kestrum {

class Machine : public QDialog {
  Q_OBJECT

 public:
  // Builds the grid and loads the table file named by MachinePath and MachineFileName.
  Machine(Editor& editor, QWidget* parent);

  const ConversionTable& table() const { return table_; }

  // Opens the in-cell editor on the current cell. key is a typed character's code (the editor
  // then holds that character) or 0 to 32 for a control key or a double-click (the editor
  // then holds the cell's text).
  void BeginCellEdit(int key);
  // Enter (13), Tab (9), Esc (27), Up (38) and Down (40) in the in-cell editor.
  void HandleEditorKey(int key);

  bool LoadConversionTable();
  bool SaveConversionTable();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Form_Load();
  void Command1_Click();
  void Command2_Click();
  void OKButton_Click();
  void MSFlexGrid1_LeaveCell();
  void MSFlexGrid1_DblClick(int row, int column);
  // The grid text of every row of the table.
  void ShowTable();
  // The editor's text into the cell it was opened on, and into the table; the editor hidden.
  void CommitEdit();
  void PlaceEditor();
  bool IsEditable(int row, int column) const;
  void SetCell(int row, int column, const QString& text);
  QString TableFilePath() const;
  void ShowMessage(const QString& text, bool error);

  Editor& editor_;
  ConversionTable table_;
  int edit_row_ = 0;  // the cell the editor was opened on
  int edit_column_ = 0;

  QTableWidget* MSFlexGrid1;
  QLineEdit* Text1;
  QPushButton* Command1;
  QPushButton* Command2;
  QLabel* Label1;
  QLineEdit* MachineFile;
  QPushButton* OKButton;
  QPushButton* CancelButton;
  QCheckBox* Check1;
  QLabel* Label2;
};

}  // namespace kestrum
