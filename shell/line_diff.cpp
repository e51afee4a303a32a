#include "shell/line_diff.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>

namespace kestrum {
namespace {

// Index of the first CR or LF at or after from, or n.
std::size_t FindLineEnd(const char16_t* p, std::size_t from, std::size_t n) {
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi16(u'\r');
  const __m128i lf = _mm_set1_epi16(u'\n');
  for (; i + 8 <= n; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const int mask =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf)));
    if (mask != 0)
      return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 2;
  }
#endif
  for (; i < n; ++i) {
    if (p[i] == u'\r' || p[i] == u'\n') return i;
  }
  return n;
}

// The end of the line that starts at from, its line end included; *more says whether a line
// (perhaps empty) follows it.
std::size_t LineEnd(std::u16string_view text, std::size_t from, bool* more = nullptr) {
  const std::size_t eol = FindLineEnd(text.data(), from, text.size());
  if (more) *more = eol < text.size();
  if (eol == text.size()) return eol;
  return eol + (text[eol] == u'\r' && eol + 1 < text.size() && text[eol + 1] == u'\n' ? 2 : 1);
}

}  // namespace

std::size_t LineCount(std::u16string_view text) {
  const char16_t* p = text.data();
  const std::size_t n = text.size();
  std::size_t ends = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen units at a time: every LF, and every CR that no LF follows.
  const __m128i cr = _mm_set1_epi16(u'\r');
  const __m128i lf = _mm_set1_epi16(u'\n');
  for (; i + 17 <= n; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 9));
    const auto crs = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(a, cr), _mm_cmpeq_epi16(b, cr))));
    const auto lfs = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(a, lf), _mm_cmpeq_epi16(b, lf))));
    const auto lf_next = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(c, lf), _mm_cmpeq_epi16(d, lf))));
    ends += static_cast<std::size_t>(__builtin_popcount(lfs) + __builtin_popcount(crs & ~lf_next));
  }
#endif
  for (; i < n; ++i) {
    if (p[i] == u'\n' || (p[i] == u'\r' && (i + 1 == n || p[i + 1] != u'\n'))) ++ends;
  }
  return ends + 1;
}

namespace {

std::uint64_t HashLine(std::u16string_view line) {
  std::uint64_t h = 0x9E3779B97F4A7C15u ^ line.size();
  std::size_t i = 0;
  for (; i + 4 <= line.size(); i += 4) {
    std::uint64_t block;
    std::memcpy(&block, line.data() + i, 8);
    h = (h ^ block) * 0xFF51AFD7ED558CCDu;
    h ^= h >> 32;
  }
  for (; i < line.size(); ++i) h = (h ^ line[i]) * 0xC4CEB9FE1A85EC53u;
  return h ^ (h >> 29);
}

std::vector<std::uint64_t> LineHashes(std::u16string_view text) {
  std::vector<std::uint64_t> hashes;
  bool more = true;
  for (std::size_t pos = 0; more;) {
    const std::size_t end = LineEnd(text, pos, &more);
    hashes.push_back(HashLine(text.substr(pos, end - pos)));
    pos = end;
  }
  return hashes;
}

void AddLine(LineRuns& runs, std::size_t line) {
  if (!runs.empty() && runs.back().end == line) {
    ++runs.back().end;
  } else {
    runs.push_back({line, line + 1});
  }
}

// Lines of b that are not on a shortest edit script's common path with a, by the greedy
// Myers algorithm; false past the limits.
bool MyersInsertions(const std::uint64_t* a, std::size_t n, const std::uint64_t* b, std::size_t m,
                     const DiffLimits& limits, std::vector<std::size_t>& inserted) {
  const std::size_t max_d = std::min(n + m, limits.max_edits);
  const auto offset = static_cast<std::ptrdiff_t>(max_d) + 1;
  // Line numbers fit 32 bits (a file is at most 256 MB): the trace takes half the memory.
  std::vector<std::int32_t> v(2 * max_d + 3, 0);
  // v after each round d, for k = -d .. d, one round after the other.
  std::vector<std::int32_t> trace;
  std::uint64_t steps = 0;
  const auto sn = static_cast<std::ptrdiff_t>(n);
  const auto sm = static_cast<std::ptrdiff_t>(m);
  for (std::ptrdiff_t d = 0; d <= static_cast<std::ptrdiff_t>(max_d); ++d) {
    for (std::ptrdiff_t k = -d; k <= d; k += 2) {
      std::ptrdiff_t x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1]))
                             ? v[offset + k + 1]
                             : v[offset + k - 1] + 1;
      std::ptrdiff_t y = x - k;
      const std::ptrdiff_t snake_start = x;
      while (x < sn && y < sm && a[x] == b[y]) ++x, ++y;
      steps += static_cast<std::uint64_t>(x - snake_start) + 1;
      v[offset + k] = static_cast<std::int32_t>(x);
      if (x >= sn && y >= sm) {
        // Back from (n, m) round by round: each round made one step down (a line of b
        // inserted) or right (a line of a removed), then a run of equal lines.
        for (std::ptrdiff_t e = d; e > 0; --e) {
          const std::int32_t* prev = trace.data() + (e - 1) * (e - 1) + (e - 1);  // k = 0
          const std::ptrdiff_t kk = x - y;
          const bool down = kk == -e || (kk != e && prev[kk - 1] < prev[kk + 1]);
          const std::ptrdiff_t prev_k = down ? kk + 1 : kk - 1;
          const std::ptrdiff_t prev_x = prev[prev_k];
          const std::ptrdiff_t prev_y = prev_x - prev_k;
          if (down) inserted.push_back(static_cast<std::size_t>(prev_y));
          x = prev_x;
          y = prev_y;
        }
        std::reverse(inserted.begin(), inserted.end());
        return true;
      }
    }
    if (steps > limits.max_steps) return false;
    trace.insert(trace.end(), v.begin() + offset - d, v.begin() + offset + d + 1);
  }
  return false;
}

}  // namespace

LineRuns ChangedLines(std::u16string_view source, std::u16string_view result,
                      const DiffLimits& limits, bool* complete) {
  if (complete) *complete = true;
  LineRuns runs;
  const std::size_t lines = LineCount(result);
  if (LineCount(source) == lines) {
    std::size_t a = 0;
    std::size_t b = 0;
    for (std::size_t line = 0; line < lines; ++line) {
      const std::size_t a_end = LineEnd(source, a);
      const std::size_t b_end = LineEnd(result, b);
      if (source.substr(a, a_end - a) != result.substr(b, b_end - b)) AddLine(runs, line);
      a = a_end;
      b = b_end;
    }
    return runs;
  }

  const std::vector<std::uint64_t> a = LineHashes(source);
  const std::vector<std::uint64_t> b = LineHashes(result);
  std::size_t prefix = 0;
  while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
         a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
    ++suffix;
  }
  const std::size_t n = a.size() - prefix - suffix;
  const std::size_t m = b.size() - prefix - suffix;
  std::vector<std::size_t> inserted;
  if (MyersInsertions(a.data() + prefix, n, b.data() + prefix, m, limits, inserted)) {
    for (const std::size_t line : inserted) AddLine(runs, prefix + line);
  } else {
    if (complete) *complete = false;
    if (m > 0) runs.push_back({prefix, prefix + m});
  }
  return runs;
}

void ShiftRuns(LineRuns& runs, std::size_t line, std::ptrdiff_t lines) {
  if (lines == 0 || runs.empty()) return;
  if (lines > 0) {
    const auto n = static_cast<std::size_t>(lines);
    for (LineRun& run : runs) {
      if (run.first > line) {
        run.first += n;
        run.end += n;
      } else if (run.end > line) {
        run.end += n;
      }
    }
    return;
  }
  // Lines line + 1 .. line + n went into line.
  const auto n = static_cast<std::size_t>(-lines);
  const auto map = [&](std::size_t x) { return x <= line ? x : x <= line + n ? line : x - n; };
  LineRuns kept;
  kept.reserve(runs.size());
  for (const LineRun& run : runs) {
    const LineRun moved{map(run.first), map(run.end - 1) + 1};
    if (!kept.empty() && kept.back().end >= moved.first) {
      kept.back().end = std::max(kept.back().end, moved.end);
    } else {
      kept.push_back(moved);
    }
  }
  runs = std::move(kept);
}

bool InRuns(const LineRuns& runs, std::size_t line) {
  const auto it = std::upper_bound(runs.begin(), runs.end(), line,
                                   [](std::size_t l, const LineRun& r) { return l < r.first; });
  return it != runs.begin() && std::prev(it)->end > line;
}

std::optional<std::size_t> NextRun(const LineRuns& runs, std::size_t line, bool forward) {
  // The first run that starts after line.
  const auto after = std::upper_bound(runs.begin(), runs.end(), line,
                                      [](std::size_t l, const LineRun& r) { return l < r.first; });
  if (forward) {
    if (after == runs.end()) return std::nullopt;
    return after->first;
  }
  auto before = after;  // runs before it start at or before line
  if (before != runs.begin() && std::prev(before)->end > line) --before;  // the one holding line
  if (before == runs.begin()) return std::nullopt;
  return std::prev(before)->first;
}

}  // namespace kestrum
