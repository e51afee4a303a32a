#include "motion/compare.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <numbers>
#include <thread>
#include <variant>
#include <vector>

namespace kestrum {
namespace {

constexpr double kDegree = std::numbers::pi / 180;
constexpr double kMmPerInch = 25.4;

// a - b as the shorter turn, in (-180, 180].
double TurnDifference(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180) d -= 360;
  if (d <= -180) d += 360;
  return d;
}

// A unit of the 7th significant digit of v (v > 0): 10^(floor(log10 v) - 6), by table, for
// this runs for every axis of every move.
double SeventhDigit(double v) {
  static constexpr double kPowers[] = {1e-3, 1e-2, 1e-1, 1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
  int e = 0;
  while (e + 1 < static_cast<int>(std::size(kPowers)) && v >= kPowers[e + 1]) ++e;
  return kPowers[e] * 1e-6;
}

// C/X (angle, diameter) as X/Y; C is no axis of the comparison then.
void PolarToCartesian(Position& p, std::array<double, kAxisCount>* uncertainty) {
  if (p.Known(kC) && p.Known(kX)) {
    const double r = p.v[kX] / 2;
    const double a = p.v[kC] * kDegree;
    if (uncertainty) {
      const double u = (*uncertainty)[kX] / 2 + std::fabs(r) * (*uncertainty)[kC] * kDegree;
      (*uncertainty)[kX] = (*uncertainty)[kY] = u;
      (*uncertainty)[kC] = 0;
    }
    p.Set(kX, r * std::cos(a));
    p.Set(kY, r * std::sin(a));
  } else {
    p.Forget(kX);
    p.Forget(kY);
  }
  p.Forget(kC);
}

}  // namespace

PathComparer::PathComparer(const Relation& relation)
    : relation_(relation), source_(*this, true), result_(*this, false) {
  outcome_.relation = relation.kind;
}

PathComparer::~PathComparer() = default;

// Brings a move into the space both paths are compared in: the source scaled by a unit
// change, the C/X side of a polar relation as X/Y.
void PathComparer::Map(Move& move, bool is_source) const {
  switch (relation_.kind) {
    case RelationKind::kScale:
      if (!is_source) return;
      for (Position* p : {&move.start, &move.end}) {
        for (int a = 0; a < kAxisCount; ++a) {
          p->v[a] *= IsRotary(a) ? relation_.rotary_scale : relation_.scale;
        }
      }
      for (int a = 0; a < kAxisCount; ++a) {
        const double factor = std::fabs(IsRotary(a) ? relation_.rotary_scale : relation_.scale);
        move.uncertainty[a] *= factor;
        move.step_size[a] *= factor;
      }
      for (double& c : move.centre) c *= relation_.scale;
      move.radius_word *= relation_.scale;
      return;
    case RelationKind::kXyToCx:
    case RelationKind::kCxToXy: {
      const bool polar = is_source == (relation_.kind == RelationKind::kCxToXy);
      if (polar) {
        PolarToCartesian(move.start, nullptr);
        PolarToCartesian(move.end, &move.uncertainty);
        move.centre_known = false;  // an arc in C/X has no centre in X/Y
      } else {
        move.start.Forget(kC);
        move.end.Forget(kC);
      }
      return;
    }
    default:
      return;
  }
}

// The tolerance of one axis of a pair (see Relation): what the conversion's writing may
// move, and what reading at 7 significant digits may. magnitude: of the values written, when
// they are not the ends' (the I, J, K of a centre).
double PathComparer::Tolerance(const Move& s, const Move& r, int axis, double magnitude) const {
  const double v =
      std::max({std::fabs(s.end.v[axis]), std::fabs(r.end.v[axis]), std::fabs(magnitude)});
  // The float sums of the interpreter and of the conversion add a little on top.
  return Resolution(s, r, axis, magnitude) * (1 + 1e-9) + s.uncertainty[axis] +
         r.uncertainty[axis] + 1e-9 + 1e-12 * v;
}

// What the conversion's writing may move one axis.
double PathComparer::Resolution(const Move& s, const Move& r, int axis, double magnitude) const {
  const double unit = r.inch && !IsRotary(axis) && !relation_.resolution_in_mm ? kMmPerInch : 1;
  const bool polar_xy = relation_.kind == RelationKind::kXyToCx && (axis == kX || axis == kY);
  double t;
  if (IsRotary(axis)) {
    t = relation_.angle_resolution;
  } else if (polar_xy) {
    // The diameter's rounding is half as much on the radius; the angle's moves the point
    // along its circle.
    const double radius = std::hypot(r.end.v[kX], r.end.v[kY]);
    t = relation_.resolution * unit / 2 + radius * relation_.angle_resolution * kDegree;
  } else {
    t = relation_.resolution * unit;
  }
  // At seven digits a value is as fine as its magnitude allows: a position's, or that of the
  // G91 step that led to it, on this move or an earlier one, which may be far larger
  // (Z-5058.207 from Z5000.269).
  const double v = std::max({std::fabs(s.end.v[axis]), std::fabs(r.end.v[axis]),
                             std::fabs(magnitude), s.step_size[axis], r.step_size[axis]});
  if (relation_.single_precision && v > 0) t += 1.5 * SeventhDigit(polar_xy ? 2 * v : v);
  return t;
}

// b - a on one axis; on the shortest-way axis as the shorter turn.
double PathComparer::AxisDelta(const Position& a, const Position& b, int axis) const {
  return relation_.kind == RelationKind::kRotary && axis == relation_.rotary_axis
             ? TurnDifference(b.v[axis], a.v[axis])
             : b.v[axis] - a.v[axis];
}

// How far apart the ends of a pair lie, axis by axis against the tolerance.
PathComparer::Measured PathComparer::Measure(const Move& s, const Move& r) const {
  Measured m;
  double distance2 = 0;
  for (int a = 0; a < kAxisCount; ++a) {
    const bool ks = s.end.Known(a), kr = r.end.Known(a);
    if (!ks && !kr) continue;
    if (ks != kr) {
      m.one_side = true;
      continue;
    }
    const double delta = AxisDelta(s.end, r.end, a);
    if (!IsRotary(a)) distance2 += delta * delta;
    const double resolution = Resolution(s, r, a);
    const double loss = s.uncertainty[a] + r.uncertainty[a];
    const double v = std::max(std::fabs(s.end.v[a]), std::fabs(r.end.v[a]));
    // The float sums of the interpreter and of the conversion add a little on top.
    if (std::fabs(delta) > resolution * (1 + 1e-9) + loss + 1e-9 + 1e-12 * v) m.far = true;
    // Where what reading at 7 digits may lose outweighs the conversion's resolution, a
    // difference within it cannot be told from none. Below half a micrometre it is taken as
    // none: a CAM program's X31.160254 reads as 31.16025, and a conversion that leaves the
    // word alone would otherwise leave every such move unchecked.
    if (loss > 0) {
      const double floor = IsRotary(a) ? 0.0005 : r.inch ? 0.0005 * kMmPerInch : 0.0005;
      if (loss > std::max(resolution, floor)) m.imprecise = true;
    }
  }
  m.distance = std::sqrt(distance2);
  return m;
}

// True when the move ends where the other path stands, within the tolerance, and is no full
// circle: passing it over loses nothing the other path could show.
// A move of its own path passed over as of length 0 may be up to twice the tolerance long: a
// move shorter than the tolerance on one side may have been paired with the other side's
// move of length 0, which leaves its own end that far from where its path stood.
constexpr double kOwnSlack = 2;

bool PathComparer::Stays(const Move& move, const Position& other, double slack) const {
  if (move.end.known != other.known) return false;
  for (int a = 0; a < kAxisCount; ++a) {
    if (move.end.Known(a) &&
        std::fabs(AxisDelta(other, move.end, a)) > slack * Tolerance(move, move, a)) {
      return false;
    }
  }
  if (IsArc(move.kind) && move.centre_known) {
    const PlaneAxes p = AxesOf(move.plane);
    const double radius =
        std::hypot(move.start.v[p.u] - move.centre[p.u], move.start.v[p.v] - move.centre[p.v]);
    if (radius > Tolerance(move, move, p.u)) return false;
  }
  return true;
}

void PathComparer::Side::OnMove(const Move& original) {
  const std::uint64_t index = moves++;
  PathComparer& c = owner_;
  if (c.outcome_.difference) return;
  Entry e{original, original.end, index};
  c.Map(e.move, is_source_);
  if (!started) {
    started = true;
    (is_source_ ? c.last_source_ : c.last_result_) = e.move.start;
    (is_source_ ? c.last_source_own_ : c.last_result_own_) = original.start;
  }
  queue.push_back(std::move(e));
  c.Drain();
}

void PathComparer::Side::OnUnchecked(std::uint64_t line, Unchecked why) {
  CheckResult& o = owner_.outcome_;
  (is_source_ ? o.source_reasons : o.result_reasons)[static_cast<int>(why)].Add(line + 1);
  if (line != last_unchecked_line) {
    last_unchecked_line = line;
    ++(is_source_ ? o.source_unchecked_lines : o.result_unchecked_lines);
  }
}

void PathComparer::Pass(Side& side) {
  if (side.passed < side.passed_lines.size()) {
    side.passed_lines[side.passed] = side.queue.front().move.line;
  }
  ++side.passed;
  side.queue.pop_front();
}

void PathComparer::Drain() {
  while (!source_.queue.empty() && !result_.queue.empty() && !outcome_.difference) {
    const Entry& s = source_.queue.front();
    const Entry& r = result_.queue.front();
    Measured m;
    if (relation_.kind == RelationKind::kNone) {
      // Shown, not judged.
    } else if (m = Measure(s.move, r.move); !m.far) {
      // Ends that agree may still be a move of length 0 against a full circle, or against one
      // of another kind, whose counterpart the other side left out: passed over as any move
      // that stays where both paths stand, and not counted as passed, for a difference of
      // the moves after it is theirs. own is where the move's path stood, other the other's.
      const auto stays = [&](const Move& move, const Position& own, const Position& other) {
        return move.followed && !IsArc(move.kind) && Stays(move, own, kOwnSlack) &&
               Stays(move, other);
      };
      if (s.move.kind != r.move.kind) {
        if (stays(s.move, last_source_, last_result_) &&
            (IsArc(r.move.kind) || stays(r.move, last_result_, last_source_))) {
          source_.queue.pop_front();
          continue;
        }
        if (stays(r.move, last_result_, last_source_) && IsArc(s.move.kind) &&
            LinesApart(s, r) < lines_apart_) {
          result_.queue.pop_front();
          continue;
        }
      }
      Compare(s, r, m);
    } else if (s.move.followed && Stays(s.move, last_result_) &&
               (LinesApart(s, r) > lines_apart_ || Stays(s.move, last_source_, kOwnSlack))) {
      Pass(source_);
      continue;
    } else if (r.move.followed && LinesApart(s, r) < lines_apart_ && Stays(r.move, last_source_)) {
      Pass(result_);
      continue;
    } else {
      Compare(s, r, m);
    }
    source_.queue.pop_front();
    result_.queue.pop_front();
  }
  if (outcome_.difference) {
    source_.queue.clear();
    result_.queue.clear();
  }
}

void PathComparer::Compare(const Entry& se, const Entry& re, const Measured& m) {
  const Move& s = se.move;
  const Move& r = re.move;
  const bool followed = s.followed && r.followed;
  const bool one_side = m.one_side, imprecise = m.imprecise;
  PathDifference d;
  // A move to a position the program does not tell (X#1) is reported with its line.
  const bool lost =
      (last_source_.known & ~s.end.known) != 0 || (last_result_.known & ~r.end.known) != 0;
  d.distance = m.distance;
  if (m.far) {
    d.what = PathDifference::What::kPosition;
    return Differ(d, &se, &re);
  }
  if (!followed) {
    // A block one side could not follow: where it ends is compared as far as known, the way
    // there is not; its line is reported with its reason.
    Paired(se, re, PairState::kOneSide);
    return;
  }
  if (s.kind != r.kind) {
    d.what = PathDifference::What::kKind;
    return Differ(d, &se, &re);
  }
  if (IsArc(s.kind) && s.centre_known && r.centre_known && s.plane == r.plane) {
    const PlaneAxes p = AxesOf(s.plane);
    // A centre is the start plus I, J, K: both rounded, so twice the tolerance, at the
    // magnitude of the largest of them.
    const auto magnitude = [&](int a) {
      return std::max({std::fabs(s.centre[a]), std::fabs(r.centre[a]),
                       std::fabs(s.centre[a] - s.start.v[a]), std::fabs(s.radius_word)});
    };
    const double tu = 2 * Tolerance(s, r, p.u, magnitude(p.u));
    const double tv = 2 * Tolerance(s, r, p.v, magnitude(p.v));
    bool arc_differs;
    if (s.radius_word != 0 && r.radius_word != 0) {
      // An arc by R: its radius and side as written. The centre of an arc of nearly half a
      // turn moves far for a small rounding of R, and so does the machine's arc: that is
      // the program's, not the conversion's.
      arc_differs = (s.radius_word > 0) != (r.radius_word > 0) ||
                    std::fabs(std::fabs(s.radius_word) - std::fabs(r.radius_word)) > tu / 2;
    } else {
      arc_differs = std::fabs(s.centre[p.u] - r.centre[p.u]) > tu ||
                    std::fabs(s.centre[p.v] - r.centre[p.v]) > tv;
    }
    if (arc_differs) {
      d.what = PathDifference::What::kArc;
      return Differ(d, &se, &re);
    }
  }
  if (relation_.kind == RelationKind::kRotary) {
    const int a = relation_.rotary_axis;
    if (last_source_.Known(a) && last_result_.Known(a) && s.end.Known(a) && r.end.Known(a)) {
      // The source's move means the shorter way to its angle; the result's goes the way its
      // M code says. Half a turn is as short one way as the other.
      const double turned = r.end.v[a] - last_result_.v[a];
      const double meant = r.directed ? TurnDifference(s.end.v[a], last_source_.v[a])
                                      : s.end.v[a] - last_source_.v[a];
      const double t = Tolerance(s, r, a);
      const bool half_turn = r.directed && std::fabs(std::fabs(meant) - 180) <= t &&
                             std::fabs(std::fabs(turned) - 180) <= t;
      if (std::fabs(turned - meant) > t && !half_turn) {
        d.what = PathDifference::What::kDirection;
        d.distance = std::fabs(turned - meant);
        return Differ(d, &se, &re);
      }
    }
  }
  // An arc of a C/X program is no arc in X/Y: where it turns between its ends is not told.
  const bool polar_arc =
      (relation_.kind == RelationKind::kXyToCx || relation_.kind == RelationKind::kCxToXy) &&
      (IsArc(s.kind) || IsArc(r.kind));
  PairState state = PairState::kSame;
  if (one_side || imprecise || polar_arc) {
    ++outcome_.one_side;
    const Unchecked why = one_side    ? Unchecked::kOneSide
                          : imprecise ? Unchecked::kPrecision
                                      : Unchecked::kPolarArc;
    outcome_.source_reasons[static_cast<int>(why)].Add(s.line + 1);
    state = PairState::kOneSide;
  } else if (lost) {
    state = PairState::kOneSide;
  } else {
    ++outcome_.compared;
    outcome_.largest_deviation = std::max(outcome_.largest_deviation, d.distance);
  }
  Paired(se, re, state);
}

void PathComparer::Paired(const Entry& s, const Entry& r, PairState state) {
  last_source_ = s.move.end;
  last_result_ = r.move.end;
  last_source_own_ = s.own;
  last_result_own_ = r.own;
  last_source_line_ = s.move.line;
  last_result_line_ = r.move.line;
  lines_apart_ = LinesApart(s, r);
  source_.passed = result_.passed = 0;
  if (on_pair) on_pair(s.index, r.index, state);
}

// Records the first difference. Where one path passed over more moves than the other since
// the last pair, the first it passed over beyond the other's count is the one that went
// astray: it is named instead of the pair's.
void PathComparer::Differ(PathDifference d, const Entry* s, const Entry* r) {
  const auto fill = [&](const Entry* e, const Side& side, const Side& other, Move& move,
                        Position& own, const Position& last, const Position& last_own,
                        std::uint64_t last_line, bool& missing) {
    if (e && side.passed > other.passed && other.passed < side.passed_lines.size()) {
      move = e->move;
      move.line = side.passed_lines[other.passed];
      move.start = move.end = last;
      own = last_own;
      if (d.what != PathDifference::What::kMissing) d.what = PathDifference::What::kPosition;
      return;
    }
    if (!e) {
      missing = true;
      move = Move{};
      move.line = last_line;
      move.start = move.end = last;
      own = last_own;
      return;
    }
    move = e->move;
    own = e->own;
  };
  fill(s, source_, result_, d.source, d.source_own, last_source_, last_source_own_,
       last_source_line_, d.source_missing);
  fill(r, result_, source_, d.result, d.result_own, last_result_, last_result_own_,
       last_result_line_, d.result_missing);
  if (d.what != PathDifference::What::kDirection) {
    double distance2 = 0;
    for (int a = 0; a < kAxisCount; ++a) {
      if (!d.source.end.Known(a) || !d.result.end.Known(a)) continue;
      const double delta = AxisDelta(d.source.end, d.result.end, a);
      if (IsRotary(a)) {
        d.angle = std::max(d.angle, std::fabs(delta));
      } else {
        distance2 += delta * delta;
      }
    }
    d.distance = std::sqrt(distance2);
  }
  outcome_.difference = d;
  if (on_pair && s && r) on_pair(s->index, r->index, PairState::kDifferent);
}

void PathComparer::Finish() {
  Drain();
  if (outcome_.difference || relation_.kind == RelationKind::kNone) return;
  // A block one side could not follow needs no counterpart: whether the other side should
  // move there is what cannot be told. Nor does a move that stays where both paths ended: a
  // position written again, which the other side left out (XY/CX drops a repeated ).
  for (Side* side : {&source_, &result_}) {
    const Position& own = side == &source_ ? last_source_ : last_result_;
    const Position& other = side == &source_ ? last_result_ : last_source_;
    while (!side->queue.empty()) {
      const Move& move = side->queue.front().move;
      if (!move.followed) {
        side->queue.pop_front();
      } else if (Stays(move, own, kOwnSlack) && Stays(move, other)) {
        Pass(*side);
      } else {
        break;
      }
    }
  }
  if (!source_.queue.empty()) {
    PathDifference d;
    d.what = PathDifference::What::kMissing;
    Differ(d, &source_.queue.front(), nullptr);
  } else if (!result_.queue.empty()) {
    PathDifference d;
    d.what = PathDifference::What::kMissing;
    Differ(d, nullptr, &result_.queue.front());
  }
  source_.queue.clear();
  result_.queue.clear();
}

bool InterpretBoth(std::u16string_view source, LineConversion& from, std::u16string_view result,
                   LineConversion& to, const std::atomic<bool>* stop) {
  constexpr std::size_t kPiece = std::size_t{1} << 16;
  OutBuffer unused(0);
  LineFeeder source_feeder(from, unused);
  LineFeeder result_feeder(to, unused);
  for (std::size_t at = 0; at < std::max(source.size(), result.size()); at += kPiece) {
    if (stop && stop->load(std::memory_order_relaxed)) return false;
    if (at < source.size()) source_feeder.Piece(source.substr(at, kPiece));
    if (at < result.size()) result_feeder.Piece(result.substr(at, kPiece));
  }
  source_feeder.End();
  result_feeder.End();
  return true;
}

namespace {

// What an interpreter hands on, kept in order to be handed on again on another thread.
struct Event {
  Move move;
  std::uint64_t line;  // for an unchecked line
  Unchecked why;
  bool is_move;
};

// Batches of events from the result's thread to the caller's, at most kHeld at a time.
class EventQueue final : public PathSink {
 public:
  static constexpr std::size_t kBatch = 2048;
  static constexpr std::size_t kHeld = 8;

  void OnMove(const Move& m) override { Add({m, 0, Unchecked::kCount, true}); }
  void OnUnchecked(std::uint64_t line, Unchecked why) override { Add({Move{}, line, why, false}); }
  // The end of the result: what is left goes over.
  void Close() {
    Push();
    std::lock_guard lock(mutex_);
    closed_ = true;
    ready_.notify_all();
  }
  void Abandon() {
    std::lock_guard lock(mutex_);
    abandoned_ = true;
    room_.notify_all();
  }
  // Hands the batches that are ready to sink; with wait, until the queue is closed.
  void Drain(PathSink& sink, bool wait) {
    for (;;) {
      std::vector<Event> batch;
      {
        std::unique_lock lock(mutex_);
        if (wait) ready_.wait(lock, [&] { return !batches_.empty() || closed_; });
        if (batches_.empty()) return;
        batch = std::move(batches_.front());
        batches_.erase(batches_.begin());
        room_.notify_all();
      }
      for (const Event& e : batch) {
        if (e.is_move) {
          sink.OnMove(e.move);
        } else {
          sink.OnUnchecked(e.line, e.why);
        }
      }
    }
  }

 private:
  void Add(Event e) {
    batch_.push_back(std::move(e));
    if (batch_.size() == kBatch) Push();
  }
  void Push() {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] { return batches_.size() < kHeld || abandoned_; });
    if (abandoned_) {
      batch_.clear();
      return;
    }
    batches_.push_back(std::move(batch_));
    batch_.clear();
    batch_.reserve(kBatch);
    ready_.notify_all();
  }

  std::vector<Event> batch_;  // filled on the result's thread
  std::mutex mutex_;
  std::condition_variable ready_, room_;
  std::vector<std::vector<Event>> batches_;
  bool closed_ = false;
  bool abandoned_ = false;
};

}  // namespace

bool InterpretBothInParallel(std::u16string_view source, const InterpreterOptions& source_options,
                             PathSink& source_sink, std::u16string_view result,
                             const InterpreterOptions& result_options, PathSink& result_sink,
                             const std::atomic<bool>* stop) {
  EventQueue queue;
  std::thread worker([&] {
    Interpreter to(result_options, queue);
    OutBuffer unused(0);
    LineFeeder feeder(to, unused);
    constexpr std::size_t kPiece = std::size_t{1} << 16;
    for (std::size_t at = 0; at < result.size(); at += kPiece) {
      if (stop && stop->load(std::memory_order_relaxed)) break;
      feeder.Piece(result.substr(at, kPiece));
    }
    feeder.End();
    queue.Close();
  });
  Interpreter from(source_options, source_sink);
  OutBuffer unused(0);
  LineFeeder feeder(from, unused);
  constexpr std::size_t kPiece = std::size_t{1} << 16;
  bool stopped = false;
  for (std::size_t at = 0; at < source.size(); at += kPiece) {
    if (stop && stop->load(std::memory_order_relaxed)) {
      stopped = true;
      break;
    }
    feeder.Piece(source.substr(at, kPiece));
    queue.Drain(result_sink, false);
  }
  if (!stopped) {
    feeder.End();
    queue.Drain(result_sink, true);
  } else {
    queue.Abandon();
  }
  worker.join();
  return !stopped && !(stop && stop->load());
}

CheckResult CheckPaths(std::u16string_view source, std::u16string_view result,
                       const CheckSpec& setup) {
  PathComparer comparer(setup.relation);
  InterpretBothInParallel(source, setup.source, comparer.source(), result, setup.result,
                          comparer.result());
  comparer.Finish();
  return comparer.outcome();
}

}  // namespace kestrum
