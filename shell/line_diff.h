// Which lines of a conversion's result differ from its source, for the preview's change
// markers; and those lines kept in step with edits of the preview.
//
// Lines end at CR LF, LF or a lone CR, as the panes count them, and a line's end is part of
// it: a line whose LF became CR LF has changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kestrum {

// Lines of text as the panes count them: its line ends (CR LF once) and one.
std::size_t LineCount(std::u16string_view text);

// Lines first .. end - 1 of the result.
struct LineRun {
  std::size_t first;
  std::size_t end;
  bool operator==(const LineRun&) const = default;
};

// Sorted runs that neither overlap nor touch.
using LineRuns = std::vector<LineRun>;

// How far the line diff may go when the line counts differ. The work is counted, not timed,
// so that the same texts always give the same markers.
struct DiffLimits {
  std::size_t max_edits = 2000;          // lines inserted plus lines removed
  std::uint64_t max_steps = 10'000'000;  // line comparisons and diagonal steps (~0.1 s)
};

// The lines of result that differ from source. With equal line counts, line n of one is
// compared with line n of the other. Otherwise a Myers diff finds the inserted and replaced
// lines (a removed line has no line in the result to mark); past the limits, every line
// from the first difference to the last one is marked. *complete, when given, says whether
// the diff finished within the limits.
LineRuns ChangedLines(std::u16string_view source, std::u16string_view result,
                      const DiffLimits& limits = {}, bool* complete = nullptr);

// Keeps runs on their lines when lines are inserted or removed. `lines` lines were inserted
// after the start of line `line` (a line split there), or with a negative count, the lines
// after `line` were joined to it. A run on the lines that went away shrinks; a line split
// inside a run is part of it.
void ShiftRuns(LineRuns& runs, std::size_t line, std::ptrdiff_t lines);

bool InRuns(const LineRuns& runs, std::size_t line);

// The first line of the next run that starts after line (forward), or of the run before the
// one that holds line, or before it (backward). Nothing when there is none.
std::optional<std::size_t> NextRun(const LineRuns& runs, std::size_t line, bool forward);

}  // namespace kestrum
