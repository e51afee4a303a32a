#include "search/replace_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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
  QGridLayout* buttons =
      AddReplaceButtons(ReplaceDialogChange, ReplaceDialogNextFind, ReplaceDialogAllChange);

  connect(txtFind, &QLineEdit::textChanged, this, &frmReplace::txtFind_Change);
  connect(txtReplace, &QLineEdit::textChanged, this, &frmReplace::txtReplace_Change);

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
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 16);
  layout->setSpacing(20);
  layout->addLayout(boxes);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmReplace::txtFind_Change() {
  SetReady(!txtFind->text().isEmpty());
  txtReplace_Change();
}

void frmReplace::txtReplace_Change() {
  Module1& m = editor_.module();
  m.SearchText = txtFind->text().toStdU16String();
  m.ReplaceText = txtReplace->text().toStdU16String();
  m.MatchCount = 0;
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
