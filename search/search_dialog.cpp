#include "search/search_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestrum {

SearchDialog::SearchDialog(Editor& editor, const QString& name, const QString& caption,
                           QWidget* parent)
    : QDialog(parent), editor_(editor) {
  setObjectName(name);
  setWindowTitle(caption);
  setModal(true);
  // The occurrence found is shown as the source pane's selection while this dialog has the
  // focus: the panes draw their selection when they do not have the focus too.
}

QPushButton* SearchDialog::AddButton(const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  button->setMinimumWidth(90);
  return button;
}

QLabel* SearchDialog::AddLabel(const char* name, const QString& caption) {
  auto* label = new QLabel(caption, this);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QLineEdit* SearchDialog::AddLineEdit(const char* name) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMinimumWidth(200);
  return edit;
}

void SearchDialog::AddCheck1(const QString& caption) {
  Check1 = new QCheckBox(caption, this);
  Check1->setObjectName(QStringLiteral("Check1"));
  Check1->setChecked(true);
}

void SearchDialog::SetCheck1(bool checked) { Check1->setChecked(checked); }

void SearchDialog::Run(const std::function<SearchMessage(bool& check1)>& action) {
  bool check1 = Check1->isChecked();
  const SearchMessage message = action(check1);
  Check1->setChecked(check1);
  ShowSearchMessage(editor_, this, message);
}

QGridLayout* SearchDialog::AddReplaceButtons(Action change, Action next_find, Action all_change) {
  change_ = std::move(change);
  next_find_ = std::move(next_find);
  all_change_ = std::move(all_change);
  Change = AddButton("Change", QStringLiteral("変　更"));
  NextFind = AddButton("NextFind", QStringLiteral("スキップ"));
  AllChange = AddButton("AllChange", QStringLiteral("全て変更"));
  Cancel = AddButton("Cancel", QStringLiteral("閉じる"));
  SetReady(false);
  connect(Change, &QPushButton::clicked, this, &SearchDialog::Change_Click);
  connect(NextFind, &QPushButton::clicked, this, &SearchDialog::NextFind_Click);
  connect(AllChange, &QPushButton::clicked, this, &SearchDialog::AllChange_Click);
  connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* grid = new QGridLayout;
  grid->addWidget(Change, 0, 0);
  grid->addWidget(NextFind, 0, 1);
  grid->addWidget(AllChange, 1, 0, 1, 2);
  grid->setRowStretch(2, 1);
  grid->addWidget(Cancel, 3, 0, 1, 2);
  return grid;
}

void SearchDialog::SetReady(bool ready) {
  for (QPushButton* button : {Change, NextFind, AllChange}) button->setEnabled(ready);
  Change->setDefault(ready);
}

void SearchDialog::Change_Click() {
  Run([this](bool& check1) { return change_(editor_.module(), editor_.source(), check1); });
}

void SearchDialog::NextFind_Click() {
  Run([this](bool& check1) { return next_find_(editor_.module(), editor_.source(), check1); });
}

void SearchDialog::AllChange_Click() {
  Run([this](bool& check1) {
    const WaitCursor wait;
    return all_change_(editor_.module(), editor_.source(), check1);
  });
}

void ShowSearchMessage(Editor& editor, QWidget* parent, const SearchMessage& message) {
  if (message.text.empty()) return;
  editor.prompts().Notify(parent, QString::fromStdU16String(message.text),
                          QString::fromStdU16String(message.title), Prompts::Icon::kNone);
}

std::u16string SelectedText(const TextPane& pane) {
  const std::u16string text = pane.Text();
  const std::size_t start = std::min(pane.SelStart(), text.size());
  return text.substr(start, pane.SelLength());
}

}  // namespace kestrum
