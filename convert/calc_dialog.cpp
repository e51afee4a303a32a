#include "convert/calc_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kestrum {

frmSizeShift::frmSizeShift(Editor& editor, QWidget* parent)
    : SearchDialog(editor, QStringLiteral("frmSizeShift"), QStringLiteral("計算によるデータの置換"),
                   parent) {
  editor.module().FirstStep = true;
  Label4 = AddLabel("Label4", QStringLiteral("検索文字列"));
  txtFind = AddLineEdit("txtFind");
  txtFind->setToolTip(QStringLiteral("例: X , Z , S , SB , DA ,etc..."));
  Label2 = AddLabel("Label2", QStringLiteral("計算式"));
  Combo1 = new QComboBox(this);
  Combo1->setObjectName(QStringLiteral("Combo1"));
  Combo1->addItems(
      {QStringLiteral("＋"), QStringLiteral("－"), QStringLiteral("×"), QStringLiteral("÷")});
  Label3 = AddLabel("Label3", QStringLiteral("値"));
  txtValue = AddLineEdit("txtValue");
  txtValue->setMinimumWidth(100);

  Frame1 = new QGroupBox(QStringLiteral("出力フォーマット"), this);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  const auto option = [this](const char* name, const QString& caption) {
    auto* button = new QRadioButton(caption, Frame1);
    button->setObjectName(QString::fromLatin1(name));
    return button;
  };
  Option1 = option("Option1", QStringLiteral("1"));
  Option2 = option("Option2", QStringLiteral("1．"));
  Option3 = option("Option3", QStringLiteral("1．0"));
  Option4 = option("Option4", QStringLiteral("01"));
  Option1->setChecked(true);
  Label8 = AddLabel("Label8", QStringLiteral("標準"));
  Label9 = AddLabel("Label9", QStringLiteral("小数点付き"));
  Label7 = AddLabel("Label7", QStringLiteral("G,Mｺｰﾄﾞ"));
  auto* formats = new QGridLayout(Frame1);
  formats->setHorizontalSpacing(20);
  formats->addWidget(Label8, 0, 0);
  formats->addWidget(Label9, 0, 1, 1, 2, Qt::AlignHCenter);
  formats->addWidget(Label7, 0, 3);
  formats->addWidget(Option1, 1, 0);
  formats->addWidget(Option2, 1, 1);
  formats->addWidget(Option3, 1, 2);
  formats->addWidget(Option4, 1, 3);

  AddCheck1(QStringLiteral("先頭から開始"));
  QGridLayout* buttons = AddReplaceButtons(
      [this](Module1& m, TextPane& pane, bool& check1) {
        return CalcDialogChange(m, pane, Op(), CalcFormat(), check1);
      },
      CalcDialogNextFind,
      [this](Module1& m, TextPane& pane, bool& check1) {
        return CalcDialogAllChange(m, pane, Op(), CalcFormat(), check1);
      });
  Label1 = AddLabel("Label1", QStringLiteral("・Z原点変更例      ： Z ＋ 100"));
  Label5 = AddLabel("Label5", QStringLiteral("・Xを2倍に変更     ： X × 2"));
  Label6 = AddLabel("Label6", QStringLiteral("・変数名=値の変更例：SB × 1.5"));

  connect(txtFind, &QLineEdit::textChanged, this, &frmSizeShift::Text_Change);
  connect(txtValue, &QLineEdit::textChanged, this, &frmSizeShift::Text_Change);
  txtFind->installEventFilter(this);
  txtValue->installEventFilter(this);

  auto* formula = new QGridLayout;
  formula->addWidget(Label4, 0, 0);
  formula->addWidget(Label2, 0, 1);
  formula->addWidget(Label3, 0, 2);
  formula->addWidget(txtFind, 1, 0);
  formula->addWidget(Combo1, 1, 1);
  formula->addWidget(txtValue, 1, 2);
  auto* left = new QVBoxLayout;
  left->addLayout(formula);
  left->addWidget(Frame1);
  left->addWidget(Check1);
  auto* top = new QHBoxLayout;
  top->setSpacing(20);
  top->addLayout(left);
  top->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 16);
  layout->addLayout(top);
  for (QLabel* example : {Label1, Label5, Label6}) layout->addWidget(example);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmSizeShift::Text_Change() {
  SetReady(!txtFind->text().isEmpty() && !txtValue->text().isEmpty());
  Module1& m = editor_.module();
  m.SearchText = txtFind->text().toStdU16String();
  m.ReplaceText = txtValue->text().toStdU16String();
  m.MatchCount = 0;
}

// Enter in the search text goes on to the value; Enter in the value goes on to "変　更",
// which the next Enter presses, or back to an empty search text.
bool frmSizeShift::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == txtFind) {
        txtValue->setFocus();
      } else if (Change->isEnabled()) {
        Change->setFocus();
      } else {
        txtFind->setFocus();
      }
      return true;
    }
  }
  return SearchDialog::eventFilter(watched, e);
}

CalcOp frmSizeShift::Op() const { return static_cast<CalcOp>(Combo1->currentIndex()); }

int frmSizeShift::CalcFormat() const {
  if (Option1->isChecked()) return 1;
  if (Option2->isChecked()) return 2;
  if (Option3->isChecked()) return 3;
  return 4;
}

void frmSizeShift::Open(Editor& editor) {
  BeginReplace(editor.module(), editor.source());
  frmSizeShift dialog(editor, editor.window());
  dialog.txtFind->setText(QString::fromStdU16String(SelectedText(editor.source())));
  dialog.Text_Change();  // also when the selection is empty and the box did not change
  dialog.exec();
}

}  // namespace kestrum
