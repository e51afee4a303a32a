// Helpers of the GUI suites: prompts that the test answers, the modal dialog a command opens,
// a settings store of the test's own, and finding controls by name.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QSettings>
#include <QString>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "shell/editor.h"
#include "shell/settings_store.h"
#include "tests/cli_util.h"

namespace kestrum::test {

inline std::string Str(const QString& text) { return text.toStdString(); }

// Message boxes and file dialogs answered from queues. A question or dialog that the test
// did not expect fails the test and is answered No / cancelled, so nothing waits for a person.
class ScriptedPrompts : public Prompts {
 public:
  struct Message {
    QString text;
    QString title;
    Icon icon;
    bool question;
  };

  std::deque<bool> answers;        // AskYesNo, in order
  std::deque<QString> open_files;  // OpenFileName; "" cancels
  std::deque<QString> save_files;  // SaveFileName; "" cancels
  std::vector<Message> shown;      // every message and question, in order
  QString last_folder;             // where the last file dialog started
  QString last_filter;

  // The texts shown so far, each on a line, forgotten once taken.
  std::string TakeTexts() {
    std::string out;
    for (const Message& m : shown) out += Str(m.text) + "\n";
    shown.clear();
    return out;
  }

  void Notify(QWidget*, const QString& text, const QString& title, Icon icon) override {
    shown.push_back({text, title, icon, false});
  }
  bool AskYesNo(QWidget*, const QString& text, const QString& title, Icon icon) override {
    shown.push_back({text, title, icon, true});
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << Str(text);
      return false;
    }
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }
  QString OpenFileName(QWidget*, const QString& folder, const QString& filter) override {
    return Take(open_files, folder, filter, "open");
  }
  QString SaveFileName(QWidget*, const QString& folder, const QString& filter) override {
    return Take(save_files, folder, filter, "save");
  }

 private:
  QString Take(std::deque<QString>& queue, const QString& folder, const QString& filter,
               const char* what) {
    last_folder = folder;
    last_filter = filter;
    if (queue.empty()) {
      ADD_FAILURE() << "unexpected " << what << " file dialog";
      return QString();
    }
    QString path = queue.front();
    queue.pop_front();
    return path;
  }
};

// Points the per-user settings store at a folder of the test's own for its lifetime, so that
// no test reads or writes the real user's settings.
class TempSettings {
 public:
  TempSettings() {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(dir_.path.string()));
  }
  const std::filesystem::path& folder() const { return dir_.path; }

 private:
  TempDir dir_;
};

// Runs start(), which opens a modal dialog of type D, and answer(dialog) while it is open.
// A dialog that answer() leaves open is rejected, so that a failing test does not hang.
template <typename D>
void WithModal(const std::function<void()>& start, const std::function<void(D&)>& answer) {
  bool seen = false;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || seen) return;
    seen = true;
    poll.stop();
    if (auto* typed = qobject_cast<D*>(dialog)) {
      answer(*typed);
    } else {
      ADD_FAILURE() << "another dialog opened: " << Str(dialog->objectName());
    }
    if (dialog->isVisible()) dialog->reject();
  });
  poll.start();
  start();
  EXPECT_TRUE(seen) << "no modal dialog opened";
}

// A control of a window by its objectName; fails the test when there is none.
template <typename T>
T* Find(QObject* parent, const char* name) {
  T* found = parent->findChild<T*>(QString::fromUtf8(name));
  EXPECT_NE(found, nullptr) << "no control " << name;
  return found;
}

inline void Click(QObject* parent, const char* name) {
  if (auto* button = Find<QAbstractButton>(parent, name)) button->click();
}

inline void Trigger(QObject* parent, const char* name) {
  if (auto* action = Find<QAction>(parent, name)) action->trigger();
}

}  // namespace kestrum::test
