// The line walk of the conversions that rewrite words in place and never look back (blanks,
// decimal points, units, coordinates): lines cut at CR LF and comments skipped exactly as
// WalkLines does, but each line is a view of the source, copied into the result in runs
// between the words that change, instead of character by character through a Scanner. It
// keeps these conversions well above the speed of sed on large programs.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ncword/module1.h"
#include "ncword/numeric.h"

namespace kestrum {

// The result of a run: written through a pointer into room made in large steps, which on
// programs of millions of short words costs a fraction of what appending to a string costs.
class OutBuffer {
 public:
  explicit OutBuffer(std::size_t expected) : text_(expected, u'\0') {}
  void Put(std::u16string_view s) {
    if (s.size() > text_.size() - used_) text_.resize(2 * text_.size() + s.size());
    std::copy(s.begin(), s.end(), text_.data() + used_);
    used_ += s.size();
  }
  std::u16string Take() {
    text_.resize(used_);
    return std::move(text_);
  }

 private:
  std::u16string text_;
  std::size_t used_ = 0;
};

// Copies one line into the result, with the changes the conversion asks for. Positions are
// 0-based indexes into the source line; changes are asked for from left to right. The result
// is an OutBuffer, or a string that the line is appended to.
class LineWriter {
 public:
  LineWriter(std::u16string_view line, OutBuffer& out) : line_(line), buffer_(&out) {}
  LineWriter(std::u16string_view line, std::u16string& out) : line_(line), string_(&out) {}

  // Source characters [from, to) replaced by text.
  void Replace(std::size_t from, std::size_t to, std::u16string_view text) {
    Put(line_.substr(copied_, from - copied_));
    Put(text);
    copied_ = to;
  }
  void Insert(std::size_t at, std::u16string_view text) { Replace(at, at, text); }
  void Erase(std::size_t at) { Replace(at, at + 1, {}); }
  void Finish() { Put(line_.substr(copied_)); }

 private:
  void Put(std::u16string_view s) {
    if (buffer_) {
      buffer_->Put(s);
    } else {
      string_->append(s);
    }
  }

  std::u16string_view line_;
  OutBuffer* buffer_ = nullptr;
  std::u16string* string_ = nullptr;
  std::size_t copied_ = 0;  // line_[0, copied_) is done
};

// True when the letter at line[pos] follows another capital letter, so that it belongs to a name
// and is no address word of its own: the C of the variable VC1 (VC1=5 is an assignment, not
// a C axis move), the D of END1, the E of LE in IF[#1LE5], the X of the argument PX=10.
// Conversions that rewrite values leave such letters alone: scaling "VC1=5" would give
// "VC0.015", and a point after it ("VC1.=5") breaks the statement.
inline bool IsInsideName(std::u16string_view line, std::size_t pos) {
  return pos > 0 && IsAddressLetter(line[pos - 1]);
}

// Where the walk of the line goes on after a comment whose text starts at `from`: after the
// ")" that closes it, or at the line's end when it stays open (in_comment then stays set and
// the comment goes on in the next line). No character inside a comment is examined.
inline std::size_t SkipComment(std::u16string_view line, std::size_t from, bool& in_comment) {
  const std::size_t close = line.find(u')', from);
  in_comment = close == std::u16string_view::npos;
  return in_comment ? line.size() : close + 1;
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

// Calls line_fn(line) for each line of src: src cut at CR LF, with a CR LF added when src does
// not end in one (an empty source is one empty line). line_fn returns false to stop; then
// ForEachLine returns false too.
template <typename LineFn>
bool ForEachLine(std::u16string_view src, LineFn&& line_fn) {
  const bool ends_with_crlf = src.ends_with(u"\r\n");
  std::size_t pos = 0;
  while (pos < src.size() || (pos == src.size() && !ends_with_crlf)) {
    const std::size_t end = FindCrLf(src, pos);
    if (!line_fn(src.substr(pos, end - pos))) return false;
    pos = end + 2;
  }
  return true;
}

// Runs convert_line(line, writer, start) for each line of src, cut as ForEachLine cuts it,
// start the index where the walk of the line begins (after the end of a comment left open by
// the line before). Every line is finished with CR LF.
template <typename ConvertLine>
std::u16string StreamLines(std::u16string_view src, Module1& m, ConvertLine&& convert_line) {
  OutBuffer out(src.size() + src.size() / 8 + 16);
  ForEachLine(src, [&](std::u16string_view line) {
    LineWriter writer(line, out);
    const std::size_t start = m.InComment ? SkipComment(line, 0, m.InComment) : 0;
    convert_line(line, writer, start);
    writer.Finish();
    out.Put(u"\r\n");
    return true;
  });
  return out.Take();
}

// Walks a line from index i for a conversion of address words: comments are skipped as the
// line walk skips them, and for each capital letter that is no part of a name (VC1, END1),
// word(letter, i) does the conversion's work and returns where the walk goes on (after i).
template <typename Word>
void ForEachWord(std::u16string_view line, std::size_t i, bool& in_comment, Word&& word) {
  while (i < line.size()) {
    const char16_t c = line[i];
    if (c == u'(') {
      i = SkipComment(line, i + 1, in_comment);
    } else if (IsAddressLetter(c) && !IsInsideName(line, i)) {
      i = word(c, i);
    } else {
      ++i;
    }
  }
}

// The end of the value characters ("+" to "9") that follow position letter: ReadWordValue's
// value is line[letter + 1, end).
inline std::size_t ValueEnd(std::u16string_view line, std::size_t letter) {
  std::size_t end = letter + 1;
  while (end < line.size() && IsValueChar(line[end])) ++end;
  return end;
}

}  // namespace kestrum
