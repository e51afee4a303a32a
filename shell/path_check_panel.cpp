#include "shell/path_check_panel.h"

#include <QMouseEvent>
#include <cmath>

namespace kestrum {
namespace {

QString Q(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// "X10.000 Y5.000 Z?" and the rotary axes that stand anywhere but 0.
QString Where(const Position& p) {
  QStringList words;
  for (int a = 0; a < kAxisCount; ++a) {
    if (IsRotary(a) && (!p.Known(a) || p.v[a] == 0)) continue;
    words << QChar(kAxisLetters[a]) +
                 (p.Known(a) ? QString::number(std::fabs(p.v[a]) < 5e-7 ? 0.0 : p.v[a], 'f', 3)
                             : QStringLiteral("?"));
  }
  return words.join(u' ');
}

}  // namespace

PathCheckPanel::PathCheckPanel(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("PathCheckPanel"));
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setAlignment(Qt::AlignCenter);
  setMargin(1);
  setMinimumWidth(130);
  setAutoFillBackground(true);
  Clear();
}

QString PathCheckPanel::Text(const CheckResult& r) {
  if (r.relation == RelationKind::kNone) return QString();
  if (!r.same()) {
    return QStringLiteral("経路相違: %1行目").arg(r.difference->source.number());
  }
  if (r.unchecked() > 0) return QStringLiteral("経路未確認: %1行").arg(r.unchecked());
  return QStringLiteral("経路一致");
}

QString PathCheckPanel::Details(const CheckResult& r) {
  QStringList lines;
  if (r.difference) {
    const PathDifference& d = *r.difference;
    lines << QStringLiteral("変換前 %1行目: %2")
                 .arg(d.source.number())
                 .arg(d.source_missing ? QStringLiteral("移動なし") : Where(d.source_own));
    lines << QStringLiteral("変換後 %1行目: %2")
                 .arg(d.result.number())
                 .arg(d.result_missing ? QStringLiteral("移動なし") : Where(d.result_own));
    switch (d.what) {
      case PathDifference::What::kPosition:
        lines << QStringLiteral("位置の差 %1 mm").arg(d.distance, 0, 'f', 4) +
                     (d.angle > 0 ? QStringLiteral(", %1°").arg(d.angle, 0, 'f', 3) : QString());
        break;
      case PathDifference::What::kKind:
        lines << QStringLiteral("早送り・切削送り・円弧の違い");
        break;
      case PathDifference::What::kArc:
        lines << QStringLiteral("円弧の中心または半径の違い");
        break;
      case PathDifference::What::kDirection:
        lines << QStringLiteral("回転軸の回る向きの違い (%1°)").arg(d.distance, 0, 'f', 3);
        break;
      case PathDifference::What::kMissing:
        lines << QStringLiteral("片方にしかない移動");
        break;
    }
  } else {
    lines << QStringLiteral("比較した移動: %1, 最大の差 %2 mm")
                 .arg(r.compared)
                 .arg(r.largest_deviation, 0, 'f', 4);
  }
  for (int i = 0; i < static_cast<int>(Unchecked::kCount); ++i) {
    const std::u16string_view reason = UncheckedText(static_cast<Unchecked>(i));
    if (!r.source_reasons[i].empty()) lines << Q(r.source_reasons[i].Message(reason));
    if (!r.result_reasons[i].empty()) {
      lines << QStringLiteral("変換後 ") + Q(r.result_reasons[i].Message(reason));
    }
  }
  return lines.join(u'\n');
}

void PathCheckPanel::Show(const CheckResult& r) {
  setText(Text(r));
  setToolTip(r.relation == RelationKind::kNone ? QString() : Details(r));
  state_ = r.relation == RelationKind::kNone ? State::kNone
           : !r.same()                       ? State::kDifferent
           : r.unchecked() > 0               ? State::kUnchecked
                                             : State::kSame;
  QPalette p = palette();
  const QColor background = state_ == State::kSame        ? QColor(150, 220, 150)
                            : state_ == State::kDifferent ? QColor(240, 110, 100)
                            : state_ == State::kUnchecked
                                ? QColor(245, 215, 110)
                                : parentWidget()->palette().window().color();
  p.setColor(QPalette::Window, background);
  p.setColor(QPalette::WindowText, Qt::black);
  setPalette(p);
}

void PathCheckPanel::Clear() {
  CheckResult none;
  none.relation = RelationKind::kNone;
  Show(none);
}

void PathCheckPanel::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && state_ != State::kNone) emit Clicked();
  QLabel::mousePressEvent(e);
}

}  // namespace kestrum
