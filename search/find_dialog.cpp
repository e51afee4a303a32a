#include "search/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

namespace kestrum {

frmFind::frmFind(Editor& editor, QWidget* parent)
    : SearchDialog(editor, QStringLiteral("frmFind"), QStringLiteral("検索"), parent) {
  Label1 = AddLabel("Label1", QStringLiteral("検索文字列        :"));
  txtFind = AddLineEdit("txtFind");
  AddCheck1(QStringLiteral("先頭から検索"));
  NextFind = AddButton("NextFind", QStringLiteral("次を検索"));
  NextFind->setDefault(true);  // Enter in the box finds
  CancelButton = AddButton("CancelButton", QStringLiteral("ｷｬﾝｾﾙ"));

  connect(txtFind, &QLineEdit::textChanged, this, &frmFind::txtFind_Change);
  connect(NextFind, &QPushButton::clicked, this, &frmFind::NextFind_Click);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(16, 16, 16, 16);
  grid->setHorizontalSpacing(12);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(txtFind, 0, 1);
  grid->addWidget(NextFind, 0, 2);
  grid->addWidget(Check1, 1, 1);
  grid->addWidget(CancelButton, 1, 2);
  grid->setSizeConstraint(QLayout::SetFixedSize);
}

void frmFind::txtFind_Change() {
  editor_.module().SearchText = txtFind->text().toStdU16String();
  editor_.module().MatchCount = 0;
}

void frmFind::NextFind_Click() {
  Run([this](bool& check1) {
    return FindDialogNextFind(editor_.module(), editor_.source(), check1);
  });
}

void frmFind::Open(Editor& editor) {
  frmFind* existing = ExistingDialog<frmFind>(editor);
  std::unique_ptr<frmFind> dialog(existing ? existing : new frmFind(editor, editor.window()));
  const QString selected = QString::fromStdU16String(SelectedText(editor.source()));
  if (dialog->txtFind->text() == selected) {
    // The box does not change, so its change handling does not run; what the box shows is
    // still what is searched for.
    editor.module().SearchText = selected.toStdU16String();
  } else {
    dialog->txtFind->setText(selected);
  }
  dialog->txtFind->selectAll();
  dialog->exec();
}

void frmFind::FindNextKey(Editor& editor) {
  const SearchMessage message = FindNextCommand(editor.module(), editor.source());
  if (message.text.empty()) return;
  ShowSearchMessage(editor, editor.window(), message);
  frmFind* dialog = ExistingDialog<frmFind>(editor);
  if (!dialog) dialog = new frmFind(editor, editor.window());
  dialog->SetCheck1(true);
}

}  // namespace kestrum
