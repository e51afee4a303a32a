// The drawing of the backplot window: a program's path, or a conversion's source and result
// overlaid, in one of four views.
//
// A path of millions of moves is drawn into an image away from the window's thread, at the
// level of detail of the view (points that fall on one pixel merged, moves off the picture
// left out). A paint only puts that image on the screen, moved and scaled to where the view
// stands now, and draws the few things that change with the cursor over it; after a zoom or
// pan the image is drawn anew for the new view. So panning and zooming never wait for the
// path. QPainter on a plain widget does this well enough: no other dependency is needed.
#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

#include "motion/stored_path.h"
#include "motion/view.h"

class QTimer;

namespace kestrum {

class BackplotWidget : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kSource = 0;
  static constexpr int kResult = 1;

  explicit BackplotWidget(QWidget* parent = nullptr);
  ~BackplotWidget() override;

  // The paths to draw; with_result false: only the source's. Fits the view to them, or
  // centres it on their first difference.
  void SetPaths(std::shared_ptr<const StoredCheck> check, bool with_result);
  const StoredCheck* paths() const { return check_.get(); }
  void SetView(View view);
  View view() const { return view_; }
  // The whole path in the window.
  void Fit();
  // The line whose moves are drawn highlighted on one side; nothing: none.
  void SetHighlight(int side, std::optional<std::uint32_t> line);
  std::optional<std::uint32_t> highlight(int side) const { return highlight_[side]; }

  // Where the end of a move is drawn, in the widget's pixels.
  QPointF PixelOf(int side, std::size_t move) const;
  // How long the last drawing of the path into its image took, and the last paint.
  double render_ms() const { return render_ms_; }
  double paint_ms() const { return paint_ms_; }
  // True when the image shows the view as it stands.
  bool rendered() const { return image_ready_ && !render_pending_; }

 signals:
  // A click on a move: its side and line (0-based).
  void MoveClicked(int side, std::uint32_t line);
  void Rendered();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  const StoredPath* Side(int side) const;
  void RequestRender();
  void StartRender();
  void StopRender();
  void ZoomAt(QPointF at, double factor);
  void CentreOn(const std::array<double, 3>& point);

  std::shared_ptr<const StoredCheck> check_;
  bool with_result_ = false;
  View view_ = View::kXY;
  Placement placement_;
  std::optional<std::uint32_t> highlight_[2];

  // The image of the path, and the view it was drawn for.
  QImage image_;
  Placement image_placement_;
  bool image_ready_ = false;
  bool render_pending_ = false;
  std::uint64_t generation_ = 0;
  std::thread worker_;
  std::shared_ptr<std::atomic<bool>> stop_;
  QTimer* render_timer_;
  double render_ms_ = 0;
  double paint_ms_ = 0;

  QPointF press_at_;
  QPointF last_drag_;
  bool dragging_ = false;
};

}  // namespace kestrum
