// What the Find, Replace and calculated-replace dialogs share: modal children of the main
// window, buttons that Enter presses only when a rule makes them the default, the
// "先頭から…" check box handed to the search functions, and their messages shown through the
// editor's prompts.
#pragma once

#include <QDialog>
#include <functional>

#include "search/search.h"
#include "shell/editor.h"
#include "shell/qt_util.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrum {

class SearchDialog : public QDialog {
  Q_OBJECT

 public:
  // The dialog's check box "先頭から…".
  void SetCheck1(bool checked);

 protected:
  SearchDialog(Editor& editor, const QString& name, const QString& caption, QWidget* parent);

  QPushButton* AddButton(const char* name, const QString& caption);
  QLabel* AddLabel(const char* name, const QString& caption);
  QLineEdit* AddLineEdit(const char* name);
  // Check1, checked whenever the dialog is created.
  void AddCheck1(const QString& caption);

  // Runs a button's action with Check1's state and shows the message it returns.
  void Run(const std::function<SearchMessage(bool& check1)>& action);

  // What a button of the Replace and the calculated-replace dialog does.
  using Action = std::function<SearchMessage(Module1& m, TextPane& pane, bool& check1)>;
  // Their buttons, "変　更" and "スキップ" side by side, "全て変更" under them and "閉じる" at
  // the bottom, laid out in the grid returned. The first three start disabled.
  QGridLayout* AddReplaceButtons(Action change, Action next_find, Action all_change);
  // Enables the first three and makes "変　更" the default (Enter presses it), or the reverse.
  void SetReady(bool ready);

  Editor& editor_;
  QCheckBox* Check1 = nullptr;
  QPushButton* Change = nullptr;
  QPushButton* NextFind = nullptr;
  QPushButton* AllChange = nullptr;
  QPushButton* Cancel = nullptr;

 private:
  void Change_Click();
  void NextFind_Click();
  void AllChange_Click();

  Action change_;
  Action next_find_;
  Action all_change_;
};

// The editor's message box for a search message (nothing when it has no text).
void ShowSearchMessage(Editor& editor, QWidget* parent, const SearchMessage& message);

// The selected text of a pane.
std::u16string SelectedText(const TextPane& pane);

// The dialog of type D that the main window holds (shown or hidden), or nullptr.
template <typename D>
D* ExistingDialog(Editor& editor) {
  return editor.window()->findChild<D*>(QString(), Qt::FindDirectChildrenOnly);
}

}  // namespace kestrum
