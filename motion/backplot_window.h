// The backplot window "工具経路": the source's and the preview's paths overlaid, linked both
// ways to the text panes.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "motion/backplot_widget.h"
#include "motion/interpreter.h"
#include "search/text_pane.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace kestrum {

class BackplotWindow : public QWidget {
  Q_OBJECT

 public:
  // What the window shows: the paths, and where each line of their texts starts.
  struct Paths {
    std::shared_ptr<const StoredCheck> check;
    bool with_result = false;
    std::shared_ptr<const std::vector<std::size_t>> source_lines;
    std::shared_ptr<const std::vector<std::size_t>> result_lines;
    QString summary;  // the check's result, as the status panel says it
  };

  BackplotWindow(TextPane& source, TextPane& preview, QWidget* parent);

  void Show(Paths paths);
  NoPoint no_point() const;
  void SetNoPoint(NoPoint no_point);
  BackplotWidget* picture() { return picBackplot; }

 signals:
  // The operator chose how a value without a point reads.
  void NoPointChanged(NoPoint no_point);

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  void cboView_Click(int index);
  void cboNoPoint_Click(int index);
  void picBackplot_MoveClicked(int side, std::uint32_t line);
  void FollowCursors();

  TextPane& source_;
  TextPane& preview_;
  Paths paths_;
  std::optional<std::uint32_t> cursor_line_[2];

  QComboBox* cboView;
  QComboBox* cboNoPoint;
  QPushButton* cmdFit;
  QLabel* lblSummary;
  BackplotWidget* picBackplot;
  QTimer* cursor_timer_;
};

}  // namespace kestrum
