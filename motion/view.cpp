#include "motion/view.h"

#include <algorithm>
#include <cmath>

namespace kestrum {

void Extent::Add(double x, double y) {
  if (empty) {
    left = right = x;
    bottom = top = y;
    empty = false;
    return;
  }
  left = std::min(left, x);
  right = std::max(right, x);
  bottom = std::min(bottom, y);
  top = std::max(top, y);
}

void Extent::Add(const Extent& e) {
  if (e.empty) return;
  Add(e.left, e.bottom);
  Add(e.right, e.top);
}

Extent ExtentOf(const StoredPath& path, View view) {
  Extent e;
  for (std::uint32_t i = 0; i < path.points().size(); ++i) {
    const auto p = path.Point(i);
    const auto q = Project(view, p[0], p[1], p[2]);
    e.Add(q[0], q[1]);
  }
  // Arcs bulge beyond their ends: in steps of a tenth of a turn at most.
  for (const StoredMove& m : path.moves()) {
    if (m.arc == StoredMove::kNoArc || !m.drawn()) continue;
    ForEachPoint(path, m, 0.6, [&](const std::array<double, 3>& p) {
      const auto q = Project(view, p[0], p[1], p[2]);
      e.Add(q[0], q[1]);
    });
  }
  return e;
}

Placement Placement::Fit(const Extent& e, double width, double height, double margin) {
  Placement p;
  if (e.empty) return p;
  const double w = std::max(e.right - e.left, 1e-6), h = std::max(e.top - e.bottom, 1e-6);
  p.scale = std::max(std::min((width - 2 * margin) / w, (height - 2 * margin) / h), 1e-9);
  // Centre: the extent's middle at the drawing's middle.
  p.x0 = (e.left + e.right) / 2 - width / 2 / p.scale;
  p.y0 = (e.bottom + e.top) / 2 + height / 2 / p.scale;
  return p;
}

void Trace(const StoredPath& path, View view, const Placement& placement, double min_step,
           double width, double height,
           const std::function<void(TraceStyle, const std::vector<std::array<float, 2>>&)>& run,
           const std::atomic<bool>* stop) {
  const double margin = 8;
  const bool clip = width > 0;
  const auto outside = [&](const std::array<double, 2>& p) {
    return clip &&
           (p[0] < -margin || p[1] < -margin || p[0] > width + margin || p[1] > height + margin);
  };
  // True when the segment a-b may cross the clip rectangle.
  const auto crosses = [&](const std::array<double, 2>& a, const std::array<double, 2>& b) {
    return !(std::max(a[0], b[0]) < -margin || std::max(a[1], b[1]) < -margin ||
             std::min(a[0], b[0]) > width + margin || std::min(a[1], b[1]) > height + margin);
  };
  // Coordinates far outside are brought in, so that a painter never sees huge numbers.
  const auto bounded = [&](const std::array<double, 2>& p) -> std::array<float, 2> {
    const double limit = 1e6;
    return {static_cast<float>(std::clamp(p[0], -limit, limit)),
            static_cast<float>(std::clamp(p[1], -limit, limit))};
  };
  std::vector<std::array<float, 2>> points;
  TraceStyle style;
  std::array<double, 2> kept{};  // the last point put into points
  std::array<double, 2> last{};  // the last point seen
  bool pending = false;          // last is not in points yet
  const auto end_line = [&] {
    if (pending && !points.empty()) points.push_back(bounded(last));
    if (points.size() >= 2) run(style, points);
    points.clear();
  };
  const auto view_point = [&](const std::array<double, 3>& p) {
    return placement.Place(Project(view, p[0], p[1], p[2]));
  };
  std::uint32_t last_index = UINT32_MAX;
  std::size_t count = 0;
  for (const StoredMove& m : path.moves()) {
    if (stop && (++count & 0xFFF) == 0 && stop->load(std::memory_order_relaxed)) return;
    if (!m.drawn()) continue;
    const TraceStyle s{m.kind == MoveKind::kRapid, m.grey()};
    if (m.first != last_index || !(s == style)) {
      end_line();
      style = s;
      last = view_point(path.Point(m.first));
      pending = true;
    }
    const double chord =
        m.arc == StoredMove::kNoArc
            ? 0
            : ChordAngle(std::max(path.arcs()[m.arc].r0, path.arcs()[m.arc].r1), placement.scale);
    bool first = true;
    ForEachPoint(path, m, chord, [&](const std::array<double, 3>& q) {
      if (first) {  // the start, which the line already ends with
        first = false;
        return;
      }
      const std::array<double, 2> p = view_point(q);
      if (outside(p) && outside(last) && !crosses(last, p)) {
        // Off the drawing: the line is cut here.
        end_line();
        last = p;
        pending = true;
        return;
      }
      if (points.empty()) {
        points.push_back(bounded(last));
        kept = last;
      }
      last = p;
      if (std::fabs(p[0] - kept[0]) < min_step && std::fabs(p[1] - kept[1]) < min_step) {
        pending = true;  // on the pixel of the last point kept
        return;
      }
      points.push_back(bounded(p));
      kept = p;
      pending = false;
    });
    last_index = m.last;
  }
  end_line();
}

std::size_t NearestMove(const StoredPath& path, View view, const Placement& placement, double px,
                        double py, double max_distance) {
  std::size_t best = SIZE_MAX;
  double best_d2 = max_distance * max_distance;
  for (std::size_t k = 0; k < path.moves().size(); ++k) {
    const StoredMove& m = path.moves()[k];
    if (!m.drawn()) continue;
    std::array<double, 2> a{};
    bool first = true;
    ForEachPoint(path, m, 0.1, [&](const std::array<double, 3>& q) {
      const std::array<double, 2> b = placement.Place(Project(view, q[0], q[1], q[2]));
      if (first) {
        first = false;
        a = b;
        if (m.first != m.last) return;  // a move of length 0 is its one point
      }
      // Distance from the pixel to the segment a-b.
      const double dx = b[0] - a[0], dy = b[1] - a[1];
      const double len2 = dx * dx + dy * dy;
      double t = len2 > 0 ? ((px - a[0]) * dx + (py - a[1]) * dy) / len2 : 0;
      t = std::clamp(t, 0.0, 1.0);
      const double ex = a[0] + t * dx - px, ey = a[1] + t * dy - py;
      const double d2 = ex * ex + ey * ey;
      if (d2 <= best_d2) {
        best_d2 = d2;
        best = k;
      }
      a = b;
    });
  }
  return best;
}

}  // namespace kestrum
