// A path kept for drawing: every move with its line, kind and state, and the points of its
// line or arc in floats about an origin. A 100 MB program has about 3 million moves; each
// costs 16 bytes and 12 per point.
#pragma once

#include <array>
#include <atomic>
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
  MoveKind kind = MoveKind::kRapid;
  PairState state = PairState::kSame;  // as the comparison found it
  bool followed = true;

  bool drawn() const { return first != kNoPoint; }
  // Not compared: not followed, or a position known on one side only.
  bool grey() const { return !followed || state == PairState::kOneSide; }
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
  std::array<double, 3> origin_{};
  bool has_origin_ = false;
  std::uint64_t unchecked_lines_ = 0;
  std::uint64_t last_unchecked_ = UINT64_MAX;
};

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
                                      const CheckSpec& spec,
                                      const std::atomic<bool>* stop = nullptr);

}  // namespace kestrum
