// The line walk of the conversions that rewrite words in place and never look back (blanks
// added or removed, decimal points, units): lines cut at CR LF and comments skipped exactly
// as WalkLines does, but each line is copied into the result in runs between the words that
// change, instead of character by character through a Scanner. It keeps these conversions
// well above the speed of sed on large programs.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "ncword/module1.h"

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
// 0-based indexes into the source line; changes are asked for from left to right.
class LineWriter {
 public:
  LineWriter(std::u16string_view line, OutBuffer& out) : line_(line), out_(out) {}

  // Source characters [from, to) replaced by text.
  void Replace(std::size_t from, std::size_t to, std::u16string_view text) {
    out_.Put(line_.substr(copied_, from - copied_));
    out_.Put(text);
    copied_ = to;
  }
  void Insert(std::size_t at, std::u16string_view text) { Replace(at, at, text); }
  void Erase(std::size_t at) { Replace(at, at + 1, {}); }
  void Finish() { out_.Put(line_.substr(copied_)); }

 private:
  std::u16string_view line_;
  OutBuffer& out_;
  std::size_t copied_ = 0;  // line_[0, copied_) is done
};

// Where the walk of the line goes on after a comment whose text starts at `from`: after the
// ")" that closes it, or at the line's end when it stays open (in_comment then stays set and
// the comment goes on in the next line). No character inside a comment is examined.
inline std::size_t SkipComment(std::u16string_view line, std::size_t from, bool& in_comment) {
  const std::size_t close = line.find(u')', from);
  in_comment = close == std::u16string_view::npos;
  return in_comment ? line.size() : close + 1;
}

// Runs convert_line(line, writer, start) for each line of src: src cut at CR LF (a CR LF is
// added when src does not end in one, so an empty source is one empty line), start the index
// where the walk of the line begins (after the end of a comment left open by the line
// before). Every line is finished with CR LF.
template <typename ConvertLine>
std::u16string StreamLines(std::u16string_view src, Module1& m, ConvertLine&& convert_line) {
  OutBuffer out(src.size() + src.size() / 8 + 16);
  std::size_t pos = 0;
  const bool ends_with_crlf = src.ends_with(u"\r\n");
  while (pos < src.size() || (pos == src.size() && !ends_with_crlf)) {
    std::size_t end = pos;
    while (end < src.size() &&
           !(src[end] == u'\r' && end + 1 < src.size() && src[end + 1] == u'\n'))
      ++end;
    const std::u16string_view line = src.substr(pos, end - pos);
    LineWriter writer(line, out);
    const std::size_t start = m.InComment ? SkipComment(line, 0, m.InComment) : 0;
    convert_line(line, writer, start);
    writer.Finish();
    out.Put(u"\r\n");
    pos = end + 2;
  }
  return out.Take();
}

// The end of the value characters ("+" to "9") that follow position letter: ReadWordValue's
// value is line[letter + 1, end).
inline std::size_t ValueEnd(std::u16string_view line, std::size_t letter) {
  std::size_t end = letter + 1;
  while (end < line.size() && line[end] >= u'+' && line[end] <= u'9') ++end;
  return end;
}

}  // namespace kestrum
