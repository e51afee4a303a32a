// The path check of the editor: after each conversion into the preview, the check of that
// conversion's relation runs away from the window's thread and its result goes to the status
// panel; the backplot window shows the paths. Neither ever holds up the operator: accept and
// cancel work while the check runs, and a new run or the end of the preview stops it.
#pragma once

#include <QObject>
#include <QSettings>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "motion/relations.h"
#include "ncword/module1.h"
#include "search/text_pane.h"

class QStatusBar;
class QWidget;

namespace kestrum {

class BackplotWindow;
class PathCheckPanel;

class PathCheck : public QObject {
  Q_OBJECT

 public:
  // Puts its panel into the status bar; the panes are the source's and the preview's.
  PathCheck(QWidget* window, QStatusBar* bar, TextPane& source, TextPane& preview, Module1& m);
  ~PathCheck() override;

  // The check of the conversion about to arm the preview.
  void SetMaker(CheckMaker maker) { maker_ = std::move(maker); }
  // The preview's text, as the conversion hands it over.
  void SetResultText(const std::u16string& text);
  // The preview is armed: checks source against the preview's text.
  void Run(const std::u16string& source);
  // The preview was accepted or cancelled: nothing to check any more.
  void Clear();
  // The source pane changed: the backplot follows it.
  void SourceChanged();
  // The menu command 工具経路 (F8).
  void ShowBackplot();

  // How a value without a point reads in the check and the backplot; kept with the settings.
  NoPoint no_point() const { return no_point_; }
  void SetNoPoint(NoPoint no_point);
  void ReadSettings(QSettings& settings);
  void WriteSettings(QSettings& settings) const;

  PathCheckPanel* panel() { return panel_; }
  BackplotWindow* backplot() { return backplot_; }
  // The last check's result, and how long it took.
  const std::optional<CheckResult>& result() const { return result_; }
  double check_ms() const { return check_ms_; }

 signals:
  // A check or a drawing of the paths has finished.
  void Finished();

 private:
  struct Job;
  void Start();
  void Stop();
  void Done(std::uint64_t generation, std::shared_ptr<Job> job);
  ProgramReading Reading() const;

  QWidget* window_;
  TextPane& source_pane_;
  TextPane& preview_pane_;
  Module1& m_;
  PathCheckPanel* panel_;
  BackplotWindow* backplot_ = nullptr;
  NoPoint no_point_ = NoPoint::kIncrements;

  CheckMaker maker_;  // the conversion's, until the preview is armed
  CheckMaker armed_;  // the check of the preview as it stands
  std::shared_ptr<const std::u16string> source_;
  std::shared_ptr<const std::u16string> result_text_;
  bool preview_armed_ = false;
  std::optional<CheckResult> result_;
  double check_ms_ = 0;

  std::uint64_t generation_ = 0;
  std::thread worker_;
  std::shared_ptr<std::atomic<bool>> stop_;
};

}  // namespace kestrum
