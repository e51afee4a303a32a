#include "motion/backplot_widget.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace kestrum {
namespace {

const QColor kSourceColour(31, 95, 191);
const QColor kResultColour(217, 72, 15);
const QColor kGrey(160, 160, 160);
// Points closer than this many pixels are drawn as one.
constexpr double kMinStep = 0.75;
// A click this close to a move picks it.
constexpr double kPickPixels = 6;

QPen PathPen(const QColor& colour, TraceStyle style, int width) {
  QPen pen(style.grey ? kGrey : colour);
  pen.setWidth(width);
  if (style.rapid) pen.setStyle(Qt::DashLine);
  return pen;
}

// The image of the paths as a view shows them; stops early, with an image not to be used,
// when stop is set.
QImage Render(const StoredCheck& check, bool with_result, View view, const Placement& placement,
              QSize size, const std::atomic<bool>& stop) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  QPolygonF polygon;
  const auto draw = [&](const StoredPath& path, const QColor& colour, int width) {
    Trace(
        path, view, placement, kMinStep, size.width(), size.height(),
        [&](TraceStyle style, const std::vector<std::array<float, 2>>& points) {
          polygon.resize(static_cast<int>(points.size()));
          for (std::size_t i = 0; i < points.size(); ++i) {
            polygon[static_cast<int>(i)] = QPointF(points[i][0], points[i][1]);
          }
          painter.setPen(PathPen(colour, style, width));
          painter.drawPolyline(polygon);
        },
        &stop);
  };
  // Under the result the source is drawn wider: where the two are one, the result's line runs
  // inside the source's; where they part, each shows alone.
  draw(check.source, kSourceColour, with_result ? 3 : 1);
  if (with_result) draw(check.result, kResultColour, 1);
  return image;
}

}  // namespace

BackplotWidget::BackplotWidget(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("picBackplot"));
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(false);
  setMinimumSize(200, 150);
  render_timer_ = new QTimer(this);
  render_timer_->setSingleShot(true);
  render_timer_->setInterval(60);
  connect(render_timer_, &QTimer::timeout, this, &BackplotWidget::StartRender);
}

BackplotWidget::~BackplotWidget() { StopRender(); }

void BackplotWidget::StopRender() {
  if (stop_) stop_->store(true);
  if (worker_.joinable()) worker_.join();
}

const StoredPath* BackplotWidget::Side(int side) const {
  if (!check_) return nullptr;
  if (side == kResult) return with_result_ ? &check_->result : nullptr;
  return &check_->source;
}

void BackplotWidget::SetPaths(std::shared_ptr<const StoredCheck> check, bool with_result) {
  StopRender();
  check_ = std::move(check);
  with_result_ = with_result;
  image_ready_ = false;
  Fit();
  // The first difference in the middle of the window, twice as near as the whole.
  if (check_ && check_->outcome.difference) {
    const PathDifference& d = *check_->outcome.difference;
    std::optional<std::array<double, 3>> at;
    if (check_->source_difference < check_->source.moves().size() &&
        check_->source.moves()[check_->source_difference].drawn()) {
      at = check_->source.Point(check_->source.moves()[check_->source_difference].last);
    } else if (d.source_own.AllKnown(0x07)) {
      at = std::array<double, 3>{d.source_own.v[kX], d.source_own.v[kY], d.source_own.v[kZ]};
    }
    if (at) {
      placement_.scale *= 2;
      CentreOn(*at);
    }
  }
  RequestRender();
}

void BackplotWidget::SetView(View view) {
  if (view == view_) return;
  view_ = view;
  Fit();
}

void BackplotWidget::Fit() {
  Extent e;
  for (int side : {kSource, kResult}) {
    if (const StoredPath* path = Side(side)) e.Add(ExtentOf(*path, view_));
  }
  placement_ = Placement::Fit(e, std::max(width(), 1), std::max(height(), 1), 16);
  RequestRender();
  update();
}

void BackplotWidget::CentreOn(const std::array<double, 3>& point) {
  const auto p = Project(view_, point[0], point[1], point[2]);
  placement_.x0 = p[0] - width() / 2.0 / placement_.scale;
  placement_.y0 = p[1] + height() / 2.0 / placement_.scale;
}

void BackplotWidget::SetHighlight(int side, std::optional<std::uint32_t> line) {
  if (highlight_[side] == line) return;
  highlight_[side] = line;
  update();
}

QPointF BackplotWidget::PixelOf(int side, std::size_t move) const {
  const StoredPath* path = Side(side);
  if (!path || move >= path->moves().size() || !path->moves()[move].drawn()) return {};
  const auto p = path->Point(path->moves()[move].last);
  const auto q = placement_.Place(Project(view_, p[0], p[1], p[2]));
  return QPointF(q[0], q[1]);
}

void BackplotWidget::RequestRender() {
  render_pending_ = true;
  render_timer_->start();
}

void BackplotWidget::StartRender() {
  StopRender();
  if (!check_ || width() <= 0 || height() <= 0) return;
  const std::uint64_t generation = ++generation_;
  stop_ = std::make_shared<std::atomic<bool>>(false);
  worker_ = std::thread([this, generation, check = check_, with_result = with_result_, view = view_,
                         placement = placement_, size = size(), stop = stop_] {
    QElapsedTimer clock;
    clock.start();
    QImage image = Render(*check, with_result, view, placement, size, *stop);
    if (stop->load()) return;
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QMetaObject::invokeMethod(
        this,
        [this, generation, image = std::move(image), placement, ms]() mutable {
          if (generation != generation_) return;
          image_ = std::move(image);
          image_placement_ = placement;
          image_ready_ = true;
          render_pending_ = render_timer_->isActive();
          render_ms_ = ms;
          update();
          emit Rendered();
        },
        Qt::QueuedConnection);
  });
}

void BackplotWidget::paintEvent(QPaintEvent*) {
  QElapsedTimer clock;
  clock.start();
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  if (image_ready_) {
    // The image where the view stands now: moved and scaled, not drawn anew.
    const double k = placement_.scale / image_placement_.scale;
    p.save();
    p.translate((image_placement_.x0 - placement_.x0) * placement_.scale,
                (placement_.y0 - image_placement_.y0) * placement_.scale);
    p.scale(k, k);
    p.drawImage(0, 0, image_);
    p.restore();
  }
  // The moves of the lines the cursors stand on.
  for (int side : {kSource, kResult}) {
    const StoredPath* path = Side(side);
    if (!path || !highlight_[side]) continue;
    QPen pen(side == kSource ? kSourceColour.darker(140) : kResultColour.darker(140));
    pen.setWidth(3);
    p.setPen(pen);
    for (std::size_t i = path->FirstMoveOfLine(*highlight_[side]);
         i < path->moves().size() && path->moves()[i].line == *highlight_[side]; ++i) {
      const StoredMove& m = path->moves()[i];
      if (!m.drawn()) continue;
      QPolygonF polygon;
      ForEachPoint(*path, m, 0.05, [&](const std::array<double, 3>& q) {
        const auto px = placement_.Place(Project(view_, q[0], q[1], q[2]));
        polygon << QPointF(px[0], px[1]);
      });
      p.drawPolyline(polygon);
    }
  }
  // The first difference.
  if (check_ && check_->outcome.difference && with_result_) {
    QPointF at = PixelOf(kSource, check_->source_difference);
    const PathDifference& d = *check_->outcome.difference;
    if (at.isNull() && d.source_own.AllKnown(0x07)) {
      const auto q = placement_.Place(
          Project(view_, d.source_own.v[kX], d.source_own.v[kY], d.source_own.v[kZ]));
      at = QPointF(q[0], q[1]);
    }
    if (!at.isNull()) {
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(QPen(Qt::red, 2));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(at, 9, 9);
      p.drawText(at + QPointF(12, -12),
                 QStringLiteral("%1 / %2").arg(d.source.number()).arg(d.result.number()));
      p.setRenderHint(QPainter::Antialiasing, false);
    }
  }
  // What the colours mean.
  const QFontMetrics metrics(font());
  int y = metrics.height();
  const auto legend = [&](const QColor& colour, const QString& text) {
    p.fillRect(QRect(8, y - metrics.ascent() + 2, 12, metrics.ascent() - 4), colour);
    p.setPen(Qt::black);
    p.drawText(24, y, text);
    y += metrics.height();
  };
  if (check_) {
    legend(kSourceColour, with_result_ ? QStringLiteral("変換前") : QStringLiteral("プログラム"));
    if (with_result_) legend(kResultColour, QStringLiteral("変換後"));
    legend(kGrey, QStringLiteral("未確認  (破線: 早送り)"));
  }
  paint_ms_ = static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void BackplotWidget::resizeEvent(QResizeEvent*) {
  if (!image_ready_ && check_) {
    Fit();
    return;
  }
  RequestRender();
}

void BackplotWidget::ZoomAt(QPointF at, double factor) {
  const auto v = placement_.Unplace(at.x(), at.y());
  placement_.scale = std::clamp(placement_.scale * factor, 1e-6, 1e7);
  placement_.x0 = v[0] - at.x() / placement_.scale;
  placement_.y0 = v[1] + at.y() / placement_.scale;
  update();
  RequestRender();
}

void BackplotWidget::wheelEvent(QWheelEvent* e) {
  ZoomAt(e->position(), std::pow(1.25, e->angleDelta().y() / 120.0));
  e->accept();
}

void BackplotWidget::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  press_at_ = last_drag_ = e->position();
  dragging_ = false;
}

void BackplotWidget::mouseMoveEvent(QMouseEvent* e) {
  if (!(e->buttons() & Qt::LeftButton)) return;
  const QPointF d = e->position() - last_drag_;
  if (!dragging_ && (e->position() - press_at_).manhattanLength() < 4) return;
  dragging_ = true;
  last_drag_ = e->position();
  placement_.x0 -= d.x() / placement_.scale;
  placement_.y0 += d.y() / placement_.scale;
  update();
  RequestRender();
}

void BackplotWidget::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || dragging_) {
    dragging_ = false;
    return;
  }
  // A click: the move nearest to it, the result's first, which is drawn on top.
  for (int side : {kResult, kSource}) {
    const StoredPath* path = Side(side);
    if (!path) continue;
    const std::size_t move =
        NearestMove(*path, view_, placement_, e->position().x(), e->position().y(), kPickPixels);
    if (move != SIZE_MAX) {
      emit MoveClicked(side, path->moves()[move].line);
      return;
    }
  }
}

void BackplotWidget::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Home) {
    Fit();
    return;
  }
  QWidget::keyPressEvent(e);
}

}  // namespace kestrum
