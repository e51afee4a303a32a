#include "search/replace_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

namespace kestrum {

frmReplace::frmReplace(Editor& editor, QWidget* parent)
    : SearchDialog(editor, QStringLiteral("frmReplace"), QStringLiteral("文字列の置き換え"),
                   parent) {
  editor.module().FirstStep = true;
  Label1 = AddLabel("Label1", QStringLiteral("検索文字列"));
  txtFind = AddLineEdit("txtFind");
  Label2 = AddLabel("Label2", QStringLiteral("置き換え文字列"));
  txtReplace = AddLineEdit("txtReplace");
  AddCheck1(QStringLiteral("先頭から開始"));
  Change = AddButton("Change", QStringLiteral("変　更"));
  NextFind = AddButton("NextFind", QStringLiteral("スキップ"));
  AllChange = AddButton("AllChange", QStringLiteral("全て変更"));
  Cancel = AddButton("Cancel", QStringLiteral("閉じる"));
  for (QPushButton* button : {Change, NextFind, AllChange}) button->setEnabled(false);

  connect(txtFind, &QLineEdit::textChanged, this, &frmReplace::txtFind_Change);
  connect(txtReplace, &QLineEdit::textChanged, this, &frmReplace::txtReplace_Change);
  connect(Change, &QPushButton::clicked, this, &frmReplace::Change_Click);
  connect(NextFind, &QPushButton::clicked, this, &frmReplace::NextFind_Click);
  connect(AllChange, &QPushButton::clicked, this, &frmReplace::AllChange_Click);
  connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);

  // Each box under its caption; the check box below them.
  auto* boxes = new QVBoxLayout;
  boxes->setSpacing(4);
  boxes->addWidget(Label1);
  boxes->addWidget(txtFind);
  boxes->addSpacing(12);
  boxes->addWidget(Label2);
  boxes->addWidget(txtReplace);
  boxes->addSpacing(12);
  boxes->addWidget(Check1);
  auto* buttons = new QGridLayout;
  buttons->addWidget(Change, 0, 0);
  buttons->addWidget(NextFind, 0, 1);
  buttons->addWidget(AllChange, 1, 0, 1, 2);
  buttons->setRowStretch(2, 1);
  buttons->addWidget(Cancel, 3, 0, 1, 2);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 16);
  layout->setSpacing(20);
  layout->addLayout(boxes);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmReplace::txtFind_Change() {
  const bool has_text = !txtFind->text().isEmpty();
  for (QPushButton* button : {Change, NextFind, AllChange}) button->setEnabled(has_text);
  Change->setDefault(has_text);  // Enter presses "変　更"
  txtReplace_Change();
}

void frmReplace::txtReplace_Change() {
  Module1& m = editor_.module();
  m.SearchText = txtFind->text().toStdU16String();
  m.ReplaceText = txtReplace->text().toStdU16String();
  m.MatchCount = 0;
}

void frmReplace::Change_Click() {
  Run([this](bool& check1) {
    return ReplaceDialogChange(editor_.module(), editor_.source(), check1);
  });
}

void frmReplace::NextFind_Click() {
  Run([this](bool& check1) {
    return ReplaceDialogNextFind(editor_.module(), editor_.source(), check1);
  });
}

void frmReplace::AllChange_Click() {
  Run([this](bool& check1) {
    const WaitCursor wait;
    return ReplaceDialogAllChange(editor_.module(), editor_.source(), check1);
  });
}

void frmReplace::Open(Editor& editor) {
  BeginReplace(editor.module(), editor.source());
  frmReplace* existing = ExistingDialog<frmReplace>(editor);
  std::unique_ptr<frmReplace> dialog(existing ? existing : new frmReplace(editor, editor.window()));
  dialog->txtFind->setText(QString::fromStdU16String(SelectedText(editor.source())));
  dialog->exec();
}

void frmReplace::RepairLineEnds(Editor& editor) {
  SearchMessage message;
  {
    const WaitCursor wait;
    message = kestrum::RepairLineEnds(editor.module(), editor.source());
  }
  ShowSearchMessage(editor, editor.window(), message);
  frmReplace* dialog = ExistingDialog<frmReplace>(editor);
  if (!dialog) dialog = new frmReplace(editor, editor.window());
  dialog->SetCheck1(true);
}

}  // namespace kestrum
