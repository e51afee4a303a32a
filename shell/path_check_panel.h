// The status bar panel that tells the check of the last conversion into the preview:
// "経路一致" on green, "経路相違: 123行目" on red with the source's line, "経路未確認: 45行" on
// yellow when moves could not be checked; the tooltip says where and why.
#pragma once

#include <QLabel>
#include <QString>

#include "motion/compare.h"

namespace kestrum {

class PathCheckPanel : public QLabel {
  Q_OBJECT

 public:
  enum class State { kNone, kSame, kDifferent, kUnchecked };

  explicit PathCheckPanel(QWidget* parent);

  // Shows a check's result; a relation that judges nothing empties the panel.
  void Show(const CheckResult& result);
  void Clear();
  State state() const { return state_; }

  // The panel's text and tooltip for a result.
  static QString Text(const CheckResult& result);
  static QString Details(const CheckResult& result);

 signals:
  void Clicked();

 protected:
  void mousePressEvent(QMouseEvent* e) override;

 private:
  State state_ = State::kNone;
};

}  // namespace kestrum
