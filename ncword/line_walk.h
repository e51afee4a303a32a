// The line walk that every conversion runs: the source cut into lines at CR LF, each line
// walked with the comment rule, words rewritten by copying the line into the result in runs
// between the words that change. A conversion is a LineConversion fed one line at a time, so
// that the same code converts a text held whole (the editor's preview) and a text that
// arrives in pieces (the command-line converter on a program of any size).
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ncword/numeric.h"

namespace kestrum {

// Reports progress of a long run (done out of total, in the run's own unit) and asks whether
// to go on: returning false stops the run.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;

// The result of a run, written through a pointer into room made in large steps, which on
// programs of millions of short words costs a fraction of what appending to a string costs.
// With a sink, the text is handed on whenever the room is full, so that a run over a large
// program holds a window of its result instead of all of it.
class OutBuffer {
 public:
  using Sink = std::function<void(std::u16string_view)>;

  explicit OutBuffer(std::size_t room, Sink sink = {})
      : text_(std::max<std::size_t>(room, 64), u'\0'), sink_(std::move(sink)) {}

  void Put(const char16_t* s, std::size_t n) {
    // With a sink, a long text is handed on in pieces of the room's size: the room never grows.
    while (sink_ && n > room_ && n > text_.size() / 2) {
      const std::size_t part = std::min(n, room_);
      std::copy(s, s + part, text_.data() + used_);
      used_ += part;
      room_ -= part;
      s += part;
      n -= part;
      Flush();
    }
    if (n > room_) MakeRoom(n);
    std::copy(s, s + n, text_.data() + used_);
    used_ += n;
    room_ -= n;
  }
  void Put(std::u16string_view s) { Put(s.data(), s.size()); }
  void Put(char16_t c) { Put(&c, 1); }

  // Without a sink: the whole result.
  std::u16string Take() {
    text_.resize(used_);
    used_ = room_ = 0;
    return std::move(text_);
  }
  // With a sink: hands on what is held.
  void Flush() {
    if (sink_ && used_ > 0) sink_(std::u16string_view(text_.data(), used_));
    used_ = 0;
    room_ = text_.size();
  }

 private:
  void MakeRoom(std::size_t n) {
    if (sink_) {
      Flush();
      if (n <= text_.size()) return;
    }
    text_.resize(std::max(2 * text_.size(), used_ + n));
    room_ = text_.size() - used_;
  }

  std::u16string text_;
  std::size_t used_ = 0;
  std::size_t room_ = text_.size();  // text_.size() - used_
  Sink sink_;
};

// Copies one line into the result with the changes a conversion asks for. Positions are
// 0-based indexes into the line; changes are asked for from left to right.
class LineWriter {
 public:
  LineWriter(std::u16string_view line, OutBuffer& out) : line_(line), out_(out) {}

  // Line characters [from, to) replaced by text.
  void Replace(std::size_t from, std::size_t to, std::u16string_view text) {
    out_.Put(line_.data() + copied_, from - copied_);
    out_.Put(text);
    copied_ = to;
  }
  void Insert(std::size_t at, std::u16string_view text) { Replace(at, at, text); }
  void Erase(std::size_t from, std::size_t to) { Replace(from, to, {}); }
  // The rest of the line, then its CR LF.
  void Finish() {
    out_.Put(line_.data() + copied_, line_.size() - copied_);
    out_.Put(u"\r\n", 2);
    copied_ = line_.size();
  }
  // The rest of the line up to at, without finishing it.
  void CopyTo(std::size_t at) { Replace(at, at, {}); }

 private:
  std::u16string_view line_;
  OutBuffer& out_;
  std::size_t copied_ = 0;  // line_[0, copied_) is done
};

// True when the letter at line[pos] follows another capital letter, so that it belongs to a
// name and is no address word of its own: the C of the variable VC1 (VC1=5 is an assignment,
// not a C axis move), the D of END1, the E of LE in IF[#1LE5], the X of the argument PX=10.
// Conversions that rewrite values leave such letters alone: scaling "VC1=5" would give
// "VC0.015", and a point after it ("VC1.=5") breaks the statement.
inline bool IsInsideName(std::u16string_view line, std::size_t pos) {
  return pos > 0 && IsAddressLetter(line[pos - 1]);
}

// The comment rule. A comment runs from "(" to the next ")", over line ends; no character
// inside it is handed to a conversion. SkipComment returns where the walk of the line goes
// on after a comment whose text starts at `from`: after the ")" that closes it, or at the
// line's end when it stays open (in_comment then stays set and the comment goes on in the
// next line, whose first character is checked for ")" like every other).
inline std::size_t SkipComment(std::u16string_view line, std::size_t from, bool& in_comment) {
  const std::size_t close = line.find(u')', from);
  in_comment = close == std::u16string_view::npos;
  return in_comment ? line.size() : close + 1;
}

// Walks the code of a line: comments are passed over by the comment rule, and code(i) is
// called for each other character, returning where the walk goes on (after i). For each
// comment, comment(open, close) is called: open is the index of its "(" (npos when the line
// was entered inside the comment), close the index of its ")" or the line's size when it
// stays open.
template <typename Code, typename Comment>
void WalkCode(std::u16string_view line, bool& in_comment, Code&& code, Comment&& comment) {
  std::size_t i = 0;
  if (in_comment) {
    i = SkipComment(line, 0, in_comment);
    comment(std::u16string_view::npos, in_comment ? line.size() : i - 1);
  }
  while (i < line.size()) {
    if (line[i] == u'(') {
      const std::size_t open = i;
      i = SkipComment(line, i + 1, in_comment);
      comment(open, in_comment ? line.size() : i - 1);
    } else {
      i = code(i);
    }
  }
}
template <typename Code>
void WalkCode(std::u16string_view line, bool& in_comment, Code&& code) {
  WalkCode(line, in_comment, code, [](std::size_t, std::size_t) {});
}

// The walk for conversions of address words: for each capital letter of the code that is no
// part of a name (VC1, END1), word(letter, i) does the conversion's work and returns where
// the walk goes on (after i).
template <typename Word>
void ForEachWord(std::u16string_view line, bool& in_comment, Word&& word) {
  WalkCode(line, in_comment, [&](std::size_t i) {
    const char16_t c = line[i];
    return IsAddressLetter(c) && !IsInsideName(line, i) ? word(c, i) : i + 1;
  });
}

// The position of the first CR LF at or after pos, or src.size(). The CRs are looked for eight
// characters at a time where the processor allows: this search runs over every character.
inline std::size_t FindCrLf(std::u16string_view src, std::size_t pos) {
  const std::size_t n = src.size();
  for (;;) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi16(u'\r');
    while (pos + 8 <= n) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src.data() + pos));
      const int found = _mm_movemask_epi8(_mm_cmpeq_epi16(chunk, cr));
      if (found != 0) {
        pos += static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(found))) / 2;
        break;
      }
      pos += 8;
    }
#endif
    while (pos < n && src[pos] != u'\r') ++pos;
    if (pos >= n) return n;
    if (pos + 1 < n && src[pos + 1] == u'\n') return pos;
    ++pos;  // a lone CR stays inside the line
  }
}

// A conversion run, fed the lines of a program one at a time. Only the pair CR LF ends a
// line; a lone CR or LF stays inside it. A program that does not end in CR LF is read as if
// it did, so an empty program is one empty line.
class LineConversion {
 public:
  virtual ~LineConversion() = default;
  // Converts one line (without its CR LF) and writes the result to out, line ends included.
  // False stops the run.
  virtual bool Line(std::u16string_view line, OutBuffer& out) = 0;
  // After the last line: what the run writes at the end.
  virtual void Finish(OutBuffer&) {}
  // What the operator is told after the run (the lines it left as written), or "".
  virtual std::u16string Report() const { return {}; }
};

// Cuts a text that arrives in pieces into its lines for a conversion.
class LineFeeder {
 public:
  LineFeeder(LineConversion& conversion, OutBuffer& out) : conversion_(conversion), out_(out) {}

  // The lines that the piece completes go to the conversion; the rest of the piece waits for
  // the next. False when the conversion stopped the run.
  bool Piece(std::u16string_view piece);
  // The last line, then the end of the run. False when the conversion stopped the run.
  bool End();

 private:
  bool Line(std::u16string_view line) {
    any_line_ = true;
    return conversion_.Line(line, out_);
  }

  LineConversion& conversion_;
  OutBuffer& out_;
  std::u16string carry_;  // a line begun in an earlier piece
  bool any_line_ = false;
};

inline bool LineFeeder::Piece(std::u16string_view piece) {
  if (!carry_.empty()) {
    if (carry_.back() == u'\r' && piece.starts_with(u'\n')) {
      carry_.pop_back();
      piece.remove_prefix(1);
    } else {
      const std::size_t end = FindCrLf(piece, 0);
      carry_.append(piece.substr(0, end));
      if (end == piece.size()) return true;
      piece.remove_prefix(end + 2);
    }
    if (!Line(carry_)) return false;
    carry_.clear();
  }
  std::size_t pos = 0;
  for (std::size_t end = FindCrLf(piece, 0); end < piece.size(); end = FindCrLf(piece, pos)) {
    if (!Line(piece.substr(pos, end - pos))) return false;
    pos = end + 2;
  }
  carry_.assign(piece.substr(pos));
  return true;
}

inline bool LineFeeder::End() {
  if (!carry_.empty() || !any_line_) {
    if (!Line(carry_)) return false;
    carry_.clear();
  }
  conversion_.Finish(out_);
  return true;
}

// Calls line_fn(line) for each line of src, cut as a conversion's lines are cut. line_fn
// returns false to stop; then ForEachLine returns false too.
template <typename LineFn>
bool ForEachLine(std::u16string_view src, LineFn&& line_fn) {
  struct Lines : LineConversion {
    explicit Lines(LineFn& fn) : fn(fn) {}
    bool Line(std::u16string_view line, OutBuffer&) override { return fn(line); }
    LineFn& fn;
  } lines(line_fn);
  OutBuffer unused(0);
  LineFeeder feeder(lines, unused);
  return feeder.Piece(src) && feeder.End();
}

// The conversion of a whole text into result, and its report; false, with result as it was,
// when the conversion stopped the run.
inline bool ConvertWhole(std::u16string_view src, LineConversion& conversion,
                         std::u16string& result, std::u16string* report = nullptr) {
  OutBuffer out(src.size() + src.size() / 8 + 64);
  LineFeeder feeder(conversion, out);
  if (!feeder.Piece(src) || !feeder.End()) return false;
  result = out.Take();
  if (report) *report = conversion.Report();
  return true;
}
inline std::u16string ConvertWhole(std::u16string_view src, LineConversion& conversion,
                                   std::u16string* report = nullptr) {
  std::u16string result;
  ConvertWhole(src, conversion, result, report);
  return result;
}

}  // namespace kestrum
