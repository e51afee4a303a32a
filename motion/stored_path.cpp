#include "motion/stored_path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ncword/line_walk.h"

namespace kestrum {
namespace {

constexpr double kDegree = std::numbers::pi / 180;
constexpr std::uint8_t kXyz = 0x07;

}  // namespace

StoredPath::StoredPath(const Relation& relation, bool is_source)
    : relation_(relation), is_source_(is_source) {}

void StoredPath::OnUnchecked(std::uint64_t line, Unchecked) {
  if (line != last_unchecked_) ++unchecked_lines_;
  last_unchecked_ = line;
}

// The move in the source's space: false when it cannot be drawn there.
bool StoredPath::MapEnds(Move& move) const {
  const bool polar = (relation_.kind == RelationKind::kXyToCx && !is_source_) ||
                     (relation_.kind == RelationKind::kCxToXy && is_source_);
  if (polar) {
    for (Position* p : {&move.start, &move.end}) {
      if (!p->Known(kC) || !p->Known(kX)) return false;
      const double r = p->v[kX] / 2, a = p->v[kC] * kDegree;
      p->Set(kX, r * std::cos(a));
      p->Set(kY, r * std::sin(a));
    }
    move.centre_known = false;  // drawn as a chord
  }
  if (relation_.kind == RelationKind::kScale && !is_source_ && relation_.scale != 0) {
    for (Position* p : {&move.start, &move.end}) {
      for (int a = 0; a < 3; ++a) p->v[a] /= relation_.scale;
    }
    for (double& c : move.centre) c /= relation_.scale;
  }
  return move.start.AllKnown(kXyz) && move.end.AllKnown(kXyz);
}

void StoredPath::Add(const std::array<double, 3>& p) {
  if (!has_origin_) {
    origin_ = p;
    has_origin_ = true;
  }
  points_.push_back({static_cast<float>(p[0] - origin_[0]), static_cast<float>(p[1] - origin_[1]),
                     static_cast<float>(p[2] - origin_[2])});
}

void StoredPath::OnMove(const Move& original) {
  StoredMove m;
  m.line = static_cast<std::uint32_t>(std::min<std::uint64_t>(original.line, UINT32_MAX));
  m.kind = original.kind;
  m.followed = original.followed;
  Move move = original;
  if (MapEnds(move)) {
    const std::array<double, 3> start = {move.start.v[kX], move.start.v[kY], move.start.v[kZ]};
    const std::array<double, 3> end = {move.end.v[kX], move.end.v[kY], move.end.v[kZ]};
    // A move that starts where the last one ended shares its point.
    const bool joined = !moves_.empty() && moves_.back().drawn() &&
                        moves_.back().last + 1 == points_.size() && last_end_ == start;
    if (!joined) Add(start);
    m.first = static_cast<std::uint32_t>(points_.size() - 1);
    if (IsArc(move.kind) && move.centre_known) {
      const PlaneAxes p = AxesOf(move.plane);
      const double cu = move.centre[p.u], cv = move.centre[p.v];
      const double a0 = std::atan2(move.start.v[p.v] - cv, move.start.v[p.u] - cu);
      const double a1 = std::atan2(move.end.v[p.v] - cv, move.end.v[p.u] - cu);
      double sweep = a1 - a0;
      if (move.kind == MoveKind::kArcCcw) {
        if (sweep <= 1e-12) sweep += 2 * std::numbers::pi;
      } else if (sweep >= -1e-12) {
        sweep -= 2 * std::numbers::pi;
      }
      m.arc = static_cast<std::uint32_t>(arcs_.size());
      arcs_.push_back(
          {static_cast<float>(cu - origin_[p.u]), static_cast<float>(cv - origin_[p.v]),
           static_cast<float>(a0), static_cast<float>(sweep),
           static_cast<float>(std::hypot(move.start.v[p.u] - cu, move.start.v[p.v] - cv)),
           static_cast<float>(std::hypot(move.end.v[p.u] - cu, move.end.v[p.v] - cv)), move.plane});
    }
    if (end != start || m.arc != StoredMove::kNoArc) Add(end);
    last_end_ = end;
    m.last = static_cast<std::uint32_t>(points_.size() - 1);
  }
  moves_.push_back(m);
}

std::size_t StoredPath::FirstMoveOfLine(std::uint32_t line) const {
  const auto it = std::lower_bound(moves_.begin(), moves_.end(), line,
                                   [](const StoredMove& m, std::uint32_t l) { return m.line < l; });
  if (it == moves_.end() || it->line != line) return moves_.size();
  return static_cast<std::size_t>(it - moves_.begin());
}

StoredPath StorePath(std::u16string_view text, const InterpreterOptions& options) {
  StoredPath path;
  Interpret(text, options, path);
  return path;
}

double ChordAngle(double radius, double pixels_per_mm) {
  const double r = radius * pixels_per_mm;
  if (r < 0.6) return std::numbers::pi;
  return 2 * std::acos(1 - 0.3 / r);
}

std::vector<std::size_t> LineStarts(std::u16string_view text) {
  std::vector<std::size_t> starts{0};
  for (std::size_t end = FindCrLf(text, 0); end < text.size(); end = FindCrLf(text, end + 2)) {
    starts.push_back(end + 2);
  }
  starts.push_back(text.size() + 2);
  return starts;
}

namespace {

// Hands each move to the comparison and to the stored path.
class Tee final : public PathSink {
 public:
  Tee(PathSink& a, PathSink& b) : a_(a), b_(b) {}
  void OnMove(const Move& m) override {
    b_.OnMove(m);  // stored first: the comparison marks it at once
    a_.OnMove(m);
  }
  void OnUnchecked(std::uint64_t line, Unchecked why) override {
    a_.OnUnchecked(line, why);
    b_.OnUnchecked(line, why);
  }

 private:
  PathSink& a_;
  PathSink& b_;
};

}  // namespace

std::optional<StoredCheck> StoreCheck(std::u16string_view source, std::u16string_view result,
                                      const CheckSpec& setup, const std::atomic<bool>* stop) {
  StoredCheck check{StoredPath(setup.relation, true), StoredPath(setup.relation, false), {}};
  PathComparer comparer(setup.relation);
  comparer.on_pair = [&](std::uint64_t s, std::uint64_t r, PairState state) {
    check.source.moves()[s].state = state;
    check.result.moves()[r].state = state;
    if (state == PairState::kDifferent) {
      check.source_difference = s;
      check.result_difference = r;
    }
  };
  Tee to_source(comparer.source(), check.source);
  Tee to_result(comparer.result(), check.result);
  if (!InterpretBothInParallel(source, setup.source, to_source, result, setup.result, to_result,
                               stop)) {
    return std::nullopt;
  }
  comparer.Finish();
  check.outcome = comparer.outcome();
  return check;
}

}  // namespace kestrum
