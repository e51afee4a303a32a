// A path kept for drawing: every move with its line, kind and state, its end point in
// floats about an origin, an arc's centre and angles. A 100 MB program has about 3 million
// moves; each costs 20 bytes and 12 for its end point, an arc 28 more. Arcs are cut into
// chords only when drawn, as finely as the view needs.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "motion/compare.h"
#include "motion/path.h"

namespace kestrum {

struct StoredMove {
  static constexpr std::uint32_t kNoPoint = UINT32_MAX;
  std::uint32_t first = kNoPoint;  // its points are [first, last]; kNoPoint: not drawn
  std::uint32_t last = kNoPoint;
  std::uint32_t line = 0;  // 0-based index of its line
  static constexpr std::uint32_t kNoArc = UINT32_MAX;
  std::uint32_t arc = kNoArc;  // its arc in arcs(); kNoArc: a straight line
  MoveKind kind = MoveKind::kRapid;
  PairState state = PairState::kSame;  // as the comparison found it
  bool followed = true;

  bool drawn() const { return first != kNoPoint; }
  // Not compared: not followed, or a position known on one side only.
  bool grey() const { return !followed || state == PairState::kOneSide; }
};

// An arc of a stored path, in the plane's axes about the path's origin.
struct StoredArc {
  float cu, cv;     // the centre
  float a0, sweep;  // start angle and the angle turned, counter-clockwise positive (radians)
  float r0, r1;     // the radius at the start and at the end: an arc whose ends lie at other
                    // radii is drawn as the spiral the control makes of it
  Plane plane;
};

// Collects a path as its interpreter hands it on. The points are brought into the space
// the two paths of a relation are drawn in together, the source's: a unit change's result
// scaled back, a C/X side as X/Y.
class StoredPath final : public PathSink {
 public:
  StoredPath() = default;
  StoredPath(const Relation& relation, bool is_source);

  void OnMove(const Move& move) override;
  void OnUnchecked(std::uint64_t line, Unchecked why) override;

  const std::vector<StoredMove>& moves() const { return moves_; }
  std::vector<StoredMove>& moves() { return moves_; }
  // A point in mm: the origin plus the stored offset.
  std::array<double, 3> Point(std::uint32_t i) const {
    return {origin_[0] + points_[i][0], origin_[1] + points_[i][1], origin_[2] + points_[i][2]};
  }
  const std::vector<std::array<float, 3>>& points() const { return points_; }
  const std::vector<StoredArc>& arcs() const { return arcs_; }
  const std::array<double, 3>& origin() const { return origin_; }
  std::uint64_t unchecked_lines() const { return unchecked_lines_; }
  // The index of the first move of a line, or moves().size() when the line has none.
  std::size_t FirstMoveOfLine(std::uint32_t line) const;

 private:
  void Add(const std::array<double, 3>& p);
  bool MapEnds(Move& move) const;

  Relation relation_;
  bool is_source_ = true;
  std::vector<StoredMove> moves_;
  std::vector<std::array<float, 3>> points_;
  std::vector<StoredArc> arcs_;
  std::array<double, 3> last_end_{};  // the end of the last move drawn, as the program has it
  std::array<double, 3> origin_{};
  bool has_origin_ = false;
  std::uint64_t unchecked_lines_ = 0;
  std::uint64_t last_unchecked_ = UINT64_MAX;
};

// The angle of the chords an arc of this radius is drawn with at a scale (pixels per mm):
// they lie within a third of a pixel of the arc.
double ChordAngle(double radius, double pixels_per_mm);

// The points of a move as drawn, start first: a line's two ends, an arc cut into chords of
// at most max_angle radians.
template <typename PointFn>
void ForEachPoint(const StoredPath& path, const StoredMove& m, double max_angle, PointFn&& fn) {
  const std::array<double, 3> start = path.Point(m.first);
  const std::array<double, 3> end = path.Point(m.last);
  fn(start);
  if (m.arc != StoredMove::kNoArc) {
    const StoredArc& a = path.arcs()[m.arc];
    const PlaneAxes p = AxesOf(a.plane);
    const double sweep = a.sweep;
    const int steps = static_cast<int>(
        std::min(4096.0, std::max(1.0, std::ceil(std::fabs(sweep) / std::max(max_angle, 1e-3)))));
    for (int i = 1; i < steps; ++i) {
      const double t = static_cast<double>(i) / steps;
      const double angle = a.a0 + sweep * t;
      const double r = a.r0 + (a.r1 - a.r0) * t;
      std::array<double, 3> q{};
      q[p.u] = path.origin()[p.u] + a.cu + r * std::cos(angle);
      q[p.v] = path.origin()[p.v] + a.cv + r * std::sin(angle);
      q[p.normal] = start[p.normal] + (end[p.normal] - start[p.normal]) * t;
      fn(q);
    }
  }
  if (m.last != m.first) fn(end);
}

// The path of a text, stored; with a check, both paths and their comparison.
struct StoredCheck {
  StoredPath source;
  StoredPath result;
  CheckResult outcome;
  // The indexes of the moves that differ first, or SIZE_MAX.
  std::size_t source_difference = SIZE_MAX;
  std::size_t result_difference = SIZE_MAX;
};
StoredPath StorePath(std::u16string_view text, const InterpreterOptions& options);

// Where each line of a text starts, lines cut at CR LF as a conversion cuts them, and after
// them the text's size + 2, where a line after the last would start: line i runs from
// starts[i] to starts[i + 1] - 2.
std::vector<std::size_t> LineStarts(std::u16string_view text);
// Nothing when stop was set before the end.
std::optional<StoredCheck> StoreCheck(std::u16string_view source, std::u16string_view result,
                                      const CheckSpec& setup,
                                      const std::atomic<bool>* stop = nullptr);

}  // namespace kestrum
