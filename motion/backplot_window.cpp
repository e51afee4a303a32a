#include "motion/backplot_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrum {
namespace {

// The line of a text position, by where the lines start.
std::optional<std::uint32_t> LineOf(const std::vector<std::size_t>* starts, std::size_t pos) {
  if (!starts || starts->size() < 2) return std::nullopt;
  const auto it = std::upper_bound(starts->begin(), starts->end() - 1, pos);
  return static_cast<std::uint32_t>(it - starts->begin() - 1);
}

}  // namespace

BackplotWindow::BackplotWindow(TextPane& source, TextPane& preview, QWidget* parent)
    : QWidget(parent, Qt::Window), source_(source), preview_(preview) {
  setObjectName(QStringLiteral("frmToolPath"));
  setWindowTitle(QStringLiteral("工具経路"));
  resize(760, 600);

  cboView = new QComboBox(this);
  cboView->setObjectName(QStringLiteral("cboView"));
  cboView->addItems(
      {QStringLiteral("XY"), QStringLiteral("XZ"), QStringLiteral("YZ"), QStringLiteral("等角")});
  connect(cboView, &QComboBox::currentIndexChanged, this, &BackplotWindow::cboView_Click);

  auto* no_point_label = new QLabel(QStringLiteral("小数点のない値:"), this);
  cboNoPoint = new QComboBox(this);
  cboNoPoint->setObjectName(QStringLiteral("cboNoPoint"));
  cboNoPoint->addItems(
      {QStringLiteral("電卓式 (X12 = 12 mm)"), QStringLiteral("最小設定単位 (X12 = 0.012 mm)")});
  connect(cboNoPoint, &QComboBox::currentIndexChanged, this, &BackplotWindow::cboNoPoint_Click);

  cmdFit = new QPushButton(QStringLiteral("全体表示"), this);
  cmdFit->setObjectName(QStringLiteral("cmdFit"));
  cmdFit->setToolTip(QStringLiteral("全体を表示します (Home)"));

  lblSummary = new QLabel(this);
  lblSummary->setObjectName(QStringLiteral("lblSummary"));

  picBackplot = new BackplotWidget(this);
  connect(cmdFit, &QPushButton::clicked, picBackplot, &BackplotWidget::Fit);
  connect(picBackplot, &BackplotWidget::MoveClicked, this,
          &BackplotWindow::picBackplot_MoveClicked);

  auto* bar = new QHBoxLayout;
  bar->addWidget(cboView);
  bar->addSpacing(12);
  bar->addWidget(no_point_label);
  bar->addWidget(cboNoPoint);
  bar->addStretch();
  bar->addWidget(cmdFit);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(picBackplot, 1);
  layout->addWidget(lblSummary);

  // The panes' cursors are followed while the window shows: the panes tell their positions
  // through the text pane interface they share, whatever edit control stands behind it.
  cursor_timer_ = new QTimer(this);
  cursor_timer_->setInterval(150);
  connect(cursor_timer_, &QTimer::timeout, this, &BackplotWindow::FollowCursors);
}

void BackplotWindow::Show(Paths paths) {
  paths_ = std::move(paths);
  cursor_line_[0] = cursor_line_[1] = std::nullopt;
  picBackplot->SetHighlight(BackplotWidget::kSource, std::nullopt);
  picBackplot->SetHighlight(BackplotWidget::kResult, std::nullopt);
  picBackplot->SetPaths(paths_.check, paths_.with_result);
  lblSummary->setText(paths_.summary);
  FollowCursors();
}

NoPoint BackplotWindow::no_point() const {
  return cboNoPoint->currentIndex() == 0 ? NoPoint::kMm : NoPoint::kIncrements;
}

void BackplotWindow::SetNoPoint(NoPoint no_point) {
  const QSignalBlocker quiet(cboNoPoint);
  cboNoPoint->setCurrentIndex(no_point == NoPoint::kMm ? 0 : 1);
}

void BackplotWindow::showEvent(QShowEvent* e) {
  cursor_timer_->start();
  QWidget::showEvent(e);
}

void BackplotWindow::hideEvent(QHideEvent* e) {
  cursor_timer_->stop();
  QWidget::hideEvent(e);
}

void BackplotWindow::cboView_Click(int index) { picBackplot->SetView(static_cast<View>(index)); }

void BackplotWindow::cboNoPoint_Click(int) { emit NoPointChanged(no_point()); }

// A click on a move selects its line in its pane.
void BackplotWindow::picBackplot_MoveClicked(int side, std::uint32_t line) {
  const std::vector<std::size_t>* starts =
      (side == BackplotWidget::kSource ? paths_.source_lines : paths_.result_lines).get();
  TextPane& pane = side == BackplotWidget::kSource ? source_ : preview_;
  if (!starts || line + 1 >= starts->size()) return;
  // The line without the CR LF that ends it.
  const std::size_t from = (*starts)[line], to = (*starts)[line + 1] - 2;
  pane.Select(from, to - from);
  cursor_line_[side] = line;
  picBackplot->SetHighlight(side, line);
}

void BackplotWindow::FollowCursors() {
  for (int side : {BackplotWidget::kSource, BackplotWidget::kResult}) {
    const TextPane& pane = side == BackplotWidget::kSource ? source_ : preview_;
    const auto line =
        LineOf((side == BackplotWidget::kSource ? paths_.source_lines : paths_.result_lines).get(),
               pane.SelStart());
    if (line == cursor_line_[side]) continue;
    cursor_line_[side] = line;
    picBackplot->SetHighlight(side, line);
  }
}

}  // namespace kestrum
