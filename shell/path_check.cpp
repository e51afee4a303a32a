#include "shell/path_check.h"

#include <QElapsedTimer>
#include <QStatusBar>
#include <QTimer>

#include "motion/backplot_window.h"
#include "motion/stored_path.h"
#include "shell/path_check_panel.h"

namespace kestrum {

// One run of the check or of the backplot's paths, made on the window's thread, run on a
// worker of its own, and handed back.
struct PathCheck::Job {
  std::shared_ptr<const std::u16string> source;
  std::shared_ptr<const std::u16string> result;  // none: the source alone
  std::optional<CheckSpec> setup;                // none: nothing to judge
  InterpreterOptions source_options;
  bool store = false;  // for the backplot window

  std::optional<CheckResult> outcome;
  std::shared_ptr<StoredCheck> paths;
  std::shared_ptr<std::vector<std::size_t>> source_lines, result_lines;
  double ms = 0;
};

PathCheck::PathCheck(QWidget* window, QStatusBar* bar, TextPane& source, TextPane& preview,
                     Module1& m)
    : QObject(window), window_(window), source_pane_(source), preview_pane_(preview), m_(m) {
  panel_ = new PathCheckPanel(bar);
  bar->addPermanentWidget(panel_);
  connect(panel_, &PathCheckPanel::Clicked, this, &PathCheck::ShowBackplot);
}

PathCheck::~PathCheck() { Stop(); }

ProgramReading PathCheck::Reading() const { return {DialectOfStyle(m_.OutDialect), no_point_}; }

void PathCheck::SetResultText(const std::u16string& text) {
  result_text_ = std::make_shared<const std::u16string>(text);
}

void PathCheck::Run(const std::u16string& source) {
  source_ = std::make_shared<const std::u16string>(source);
  armed_ = std::move(maker_);
  maker_ = {};
  preview_armed_ = true;
  result_.reset();
  panel_->Clear();
  Start();
}

void PathCheck::Clear() {
  preview_armed_ = false;
  armed_ = {};
  maker_ = {};
  result_text_.reset();
  result_.reset();
  panel_->Clear();
  if (backplot_ && backplot_->isVisible()) {
    Start();
  } else {
    Stop();
  }
}

void PathCheck::SourceChanged() {
  if (preview_armed_ || !backplot_ || !backplot_->isVisible()) return;
  // Typing changes the text at every key: the paths are drawn anew once it rests.
  static constexpr int kRestMs = 400;
  QTimer::singleShot(kRestMs, this, [this, generation = generation_] {
    if (generation == generation_ && !preview_armed_) Start();
  });
}

void PathCheck::ShowBackplot() {
  if (!backplot_) {
    backplot_ = new BackplotWindow(source_pane_, preview_pane_, window_);
    backplot_->SetNoPoint(no_point_);
    connect(backplot_, &BackplotWindow::NoPointChanged, this, &PathCheck::SetNoPoint);
  }
  backplot_->show();
  backplot_->raise();
  backplot_->activateWindow();
  Start();
}

void PathCheck::SetNoPoint(NoPoint no_point) {
  if (no_point == no_point_) return;
  no_point_ = no_point;
  if (backplot_) backplot_->SetNoPoint(no_point);
  if (preview_armed_ || (backplot_ && backplot_->isVisible())) Start();
}

void PathCheck::ReadSettings(QSettings& settings) {
  const QString value = settings.value(QStringLiteral("BackplotNoPoint")).toString();
  SetNoPoint(value == QStringLiteral("mm") ? NoPoint::kMm : NoPoint::kIncrements);
}

void PathCheck::WriteSettings(QSettings& settings) const {
  settings.setValue(QStringLiteral("BackplotNoPoint"), no_point_ == NoPoint::kMm
                                                           ? QStringLiteral("mm")
                                                           : QStringLiteral("increments"));
}

void PathCheck::Stop() {
  if (stop_) stop_->store(true);
  if (worker_.joinable()) worker_.join();
}

void PathCheck::Start() {
  Stop();
  auto job = std::make_shared<Job>();
  const bool store = backplot_ && backplot_->isVisible();
  if (preview_armed_) {
    job->source = source_;
    job->result = result_text_;
    if (armed_) job->setup = armed_(Reading());
  } else if (store) {
    job->source = std::make_shared<const std::u16string>(source_pane_.Text());
  }
  job->store = store;
  const ProgramReading reading = Reading();
  job->source_options.dialect = reading.dialect;
  job->source_options.no_point = reading.NoPointOf(reading.dialect);
  if (!job->source || (!job->setup && !store)) return;
  if (job->setup && job->setup->relation.kind == RelationKind::kNone && !store) return;
  const std::uint64_t generation = ++generation_;
  stop_ = std::make_shared<std::atomic<bool>>(false);
  worker_ = std::thread([this, generation, job, stop = stop_] {
    QElapsedTimer clock;
    clock.start();
    const std::u16string empty;
    const std::u16string& result = job->result ? *job->result : empty;
    if (job->store) {
      std::optional<StoredCheck> stored;
      if (job->result) {
        const CheckSpec setup =
            job->setup ? *job->setup
                       : NoCheck({job->source_options.dialect, job->source_options.no_point});
        stored = StoreCheck(*job->source, result, setup, stop.get());
      } else {
        stored = StoredCheck{StorePath(*job->source, job->source_options), {}, {}};
        stored->outcome.relation = RelationKind::kNone;
      }
      if (!stored) return;
      if (job->setup) job->outcome = stored->outcome;
      job->paths = std::make_shared<StoredCheck>(std::move(*stored));
      job->source_lines = std::make_shared<std::vector<std::size_t>>(LineStarts(*job->source));
      job->result_lines = std::make_shared<std::vector<std::size_t>>(LineStarts(result));
    } else {
      PathComparer comparer(job->setup->relation);
      if (!InterpretBothInParallel(*job->source, job->setup->source, comparer.source(), result,
                                   job->setup->result, comparer.result(), stop.get())) {
        return;
      }
      comparer.Finish();
      job->outcome = comparer.outcome();
    }
    job->ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QMetaObject::invokeMethod(
        this, [this, generation, job] { Done(generation, job); }, Qt::QueuedConnection);
  });
}

void PathCheck::Done(std::uint64_t generation, std::shared_ptr<Job> job) {
  if (generation != generation_) return;
  if (worker_.joinable()) worker_.join();
  check_ms_ = job->ms;
  if (job->outcome && preview_armed_) {
    result_ = *job->outcome;
    panel_->Show(*job->outcome);
  }
  if (job->paths && backplot_) {
    BackplotWindow::Paths paths;
    paths.check = job->paths;
    paths.with_result = job->result != nullptr;
    paths.source_lines = job->source_lines;
    paths.result_lines = job->result_lines;
    paths.summary = job->outcome ? PathCheckPanel::Text(*job->outcome) : QString();
    backplot_->Show(std::move(paths));
  }
  emit Finished();
}

}  // namespace kestrum
