// The comparison of two tool paths under the relation a conversion promises between them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "motion/interpreter.h"
#include "motion/path.h"
#include "ncword/line_list.h"

namespace kestrum {

enum class RelationKind : std::uint8_t {
  kNone,       // the operator meant to change the program: the paths are shown, not judged
  kIdentical,  // the same path
  kScale,      // the result's numbers are the source's times a factor (a unit change)
  kXyToCx,     // the result gives the source's X/Y as C (angle in degrees) and X (diameter)
  kCxToXy,     // the source's C/X become X/Y
  kRotary,     // the rotary axis reaches the same angles modulo a turn, the shorter way
};

// A relation and its tolerance. The tolerance comes from the resolution of what the
// conversion writes: a value rounded to d decimals is off by at most half a unit of its last
// digit, 0.5 x 10^-d, in the program's unit (so under G20 that many inches). An angle rounded
// to 3 decimals moves a point at radius r by up to r x 0.0005 degrees, which is added where
// an angle becomes a position (C/X). A conversion that computes in single precision and
// writes at most 7 significant digits adds one and a half units of the 7th digit of the
// value (half for the writing, half for the reading, the rest for the float). Words the
// interpreter itself reads at 7 significant digits add their uncertainty on each side.
struct Relation {
  RelationKind kind = RelationKind::kIdentical;
  double scale = 1;             // kScale: on X, Y, Z, I, J, K, R
  double rotary_scale = 1;      // kScale: on A, B, C (an inch change leaves degrees alone)
  int rotary_axis = kC;         // kRotary
  double resolution = 0;        // half a unit of the last digit written, in the result's unit
  double angle_resolution = 0;  // the same for angles, in degrees
  bool single_precision = false;
  bool resolution_in_mm = false;  // the resolution is a distance, also under G20
};

// Both interpreters' inputs and the relation: what a check needs.
struct CheckSpec {
  InterpreterOptions source;
  InterpreterOptions result;
  Relation relation;
};

// The first place where the paths part.
struct PathDifference {
  enum class What : std::uint8_t {
    kPosition,   // an end point lies further than the tolerance
    kKind,       // a rapid, a feed or an arc where the other has another
    kArc,        // the same end, but another centre or radius
    kDirection,  // the rotary axis turns the other way, or further
    kMissing,    // one path has a move where the other has ended
  };
  What what = What::kPosition;
  // The moves that part, in the common space of the comparison (the source scaled, the C/X
  // side as X/Y), and where each program itself puts their ends. With source_missing the
  // source had ended: its move is where it stood last.
  Move source;
  Move result;
  Position source_own;
  Position result_own;
  bool source_missing = false;
  bool result_missing = false;
  double distance = 0;  // mm between the ends (degrees for kDirection)
  double angle = 0;     // degrees between the ends on the rotary axis that differs most
};

struct CheckResult {
  RelationKind relation = RelationKind::kIdentical;
  std::uint64_t compared = 0;  // moves compared and found the same
  // Moves not compared: a position known on one side only, or values read at 7 significant
  // digits that may lose more than the tolerance.
  std::uint64_t one_side = 0;
  std::uint64_t source_unchecked_lines = 0;
  std::uint64_t result_unchecked_lines = 0;
  double largest_deviation = 0;  // mm, over the moves compared
  std::optional<PathDifference> difference;
  // Per reason, the lines it was given for: the source's and the result's.
  std::array<LineList, static_cast<int>(Unchecked::kCount)> source_reasons;
  std::array<LineList, static_cast<int>(Unchecked::kCount)> result_reasons;

  bool same() const { return !difference; }
  // The lines the check could not follow, each construct counted once although both
  // programs hold it.
  std::uint64_t unchecked() const {
    const std::uint64_t extra = result_unchecked_lines > source_unchecked_lines
                                    ? result_unchecked_lines - source_unchecked_lines
                                    : 0;
    return source_unchecked_lines + one_side + extra;
  }
};

// How one pair of moves came out, for a view that colours them.
enum class PairState : std::uint8_t { kSame, kOneSide, kDifferent };

// Compares two paths as their interpreters hand them on, move by move, holding only the
// moves one side is ahead of the other. Moves are paired by order. A move that ends where
// the other path already stands (within the tolerance) is passed over where it has no
// counterpart: a move of length 0 in the source, or a move on a line before the one its
// counterpart would stand on, shorter than the resolution the other program writes. A
// move of length 0 in the result on its counterpart's line is no such move: a dropped word
// leaves one. After the first difference nothing more is compared.
class PathComparer {
 public:
  explicit PathComparer(const Relation& relation);
  ~PathComparer();
  PathComparer(const PathComparer&) = delete;
  PathComparer& operator=(const PathComparer&) = delete;

  PathSink& source() { return source_; }
  PathSink& result() { return result_; }
  // Both paths have ended: a move left on one side is a difference.
  void Finish();
  const CheckResult& outcome() const { return outcome_; }

  // Called for each pair compared with the moves' indexes in their paths (counted from 0 in
  // the order of OnMove).
  std::function<void(std::uint64_t source_index, std::uint64_t result_index, PairState)> on_pair;

 private:
  struct Entry {
    Move move;     // in the common space
    Position own;  // the end as the program puts it
    std::uint64_t index;
  };
  class Side final : public PathSink {
   public:
    Side(PathComparer& owner, bool is_source) : owner_(owner), is_source_(is_source) {}
    void OnMove(const Move& move) override;
    void OnUnchecked(std::uint64_t line, Unchecked why) override;

    std::deque<Entry> queue;
    bool started = false;
    std::uint64_t moves = 0;
    std::uint64_t last_unchecked_line = UINT64_MAX;
    // Moves passed over since the last pair: of two paths that passed over different numbers,
    // the one with more may have lost a move there.
    std::uint32_t passed = 0;
    std::array<std::uint64_t, 4> passed_lines{};

   private:
    PathComparer& owner_;
    bool is_source_;
  };

  void Map(Move& move, bool is_source) const;
  double Resolution(const Move& s, const Move& r, int axis, double magnitude = 0) const;
  double Tolerance(const Move& s, const Move& r, int axis, double magnitude = 0) const;
  double AxisDelta(const Position& a, const Position& b, int axis) const;
  struct Measured {
    bool far = false;        // an axis known on both sides lies beyond the tolerance
    bool one_side = false;   // an axis is known on one side only
    bool imprecise = false;  // reading at 7 digits may lose more than the tolerance
    double distance = 0;     // mm between the ends, over the linear axes known on both
  };
  Measured Measure(const Move& s, const Move& r) const;
  // Whether move ends where other stands, within the tolerance times slack.
  bool Stays(const Move& move, const Position& other, double slack = 1) const;
  void Drain();
  void Pass(Side& side);
  void Compare(const Entry& s, const Entry& r, const Measured& m);
  void Paired(const Entry& s, const Entry& r, PairState state);
  void Differ(PathDifference d, const Entry* s, const Entry* r);

  Relation relation_;
  Side source_;
  Side result_;
  CheckResult outcome_;
  // The ends of the last pair compared, in the common space and as the programs put them.
  Position last_source_, last_result_;
  Position last_source_own_, last_result_own_;
  std::uint64_t last_source_line_ = 0, last_result_line_ = 0;
  // How many lines later the result's move of the last pair came than the source's. A move
  // is passed over only on the side that runs ahead of that: a move of length 0 on the
  // line where the other side's counterpart stands is that counterpart.
  std::int64_t lines_apart_ = 0;
  static std::int64_t LinesApart(const Entry& s, const Entry& r) {
    return static_cast<std::int64_t>(r.move.line) - static_cast<std::int64_t>(s.move.line);
  }
};

// Feeds two texts to their interpreters a piece of each at a time, so that neither path runs
// far ahead of the other in a comparison. False when stop was set before the end.
bool InterpretBoth(std::u16string_view source, LineConversion& from, std::u16string_view result,
                   LineConversion& to, const std::atomic<bool>* stop = nullptr);

// The same on two threads: the result's interpreter runs on a thread of its own and hands
// its moves over in batches, which go to result_sink on the calling thread, between the
// pieces of the source. For a check of two large texts on a processor with two cores, in
// about the time of one.
bool InterpretBothInParallel(std::u16string_view source, const InterpreterOptions& source_options,
                             PathSink& source_sink, std::u16string_view result,
                             const InterpreterOptions& result_options, PathSink& result_sink,
                             const std::atomic<bool>* stop = nullptr);

// Runs a whole check on two texts.
CheckResult CheckPaths(std::u16string_view source, std::u16string_view result,
                       const CheckSpec& setup);

}  // namespace kestrum
