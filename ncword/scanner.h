// The line walk that every conversion runs: the source cut into lines at CR LF, each line
// walked character by character with the comment rule, words rewritten in place.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "ncword/module1.h"

namespace kestrum {

// Reports progress of a long run (done out of total, in the run's own unit) and asks whether
// to go on: returning false stops the run.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;

// What TakeChar returns when the rest of the line is comment: nothing is left to examine.
inline constexpr char16_t kNoChar = u'\0';

// Scanning state of one run. Positions in the current line are 1-based, as in the loops of
// the conversions: NcPos = 1 is the first character, NcLineLen() the last.
//
// The line is held as a gap buffer (the text before the gap and the text after it), so that
// rewriting a word costs what the word costs and not what the rest of the line costs: an
// LF-only program, which is one line of many megabytes until its line ends are repaired, is
// converted in linear time.
class Scanner {
 public:
  // SrcText = source, read as if CR LF were appended unless it already ends in CR LF: an
  // empty source is thus one empty line. The source is not copied; it must stay as it is
  // while lines are taken from it.
  Scanner(std::u16string_view source, Module1& module);

  // Takes the next line into NcLine and sets NcPos = 1. False when no line is left. Only the
  // pair CR LF ends a line; a lone CR or LF stays inside it.
  bool NextLine();

  std::size_t NcLineLen() const { return left_.size() + right_.size() - right_start_; }
  // The character at 1-based position pos, 1 <= pos <= NcLineLen().
  char16_t At(std::size_t pos) const {
    return pos <= left_.size() ? left_[pos - 1] : right_[right_start_ + pos - 1 - left_.size()];
  }
  // The character at NcPos after the comment rule. "(" or a line entered inside a comment
  // makes the walk step to the next ")" of the line, which is returned with NcPos on it and
  // InComment cleared. When no ")" follows, NcPos ends past the line, InComment stays set and
  // kNoChar is returned: no character inside a comment reaches a conversion. A line entered
  // inside a comment has its first character checked for ")" too. With `comment` given, the
  // characters inside the parentheses are appended to it.
  char16_t TakeChar(std::u16string* comment = nullptr) {
    const char16_t c = At(NcPos);
    if (c != u'(' && !module.InComment) return c;
    return TakeComment(comment);
  }

  // Value splice: the characters start + 1 .. NcPos are replaced by text and NcPos stands on
  // the last inserted character (start + text.size()), so the walk goes on after it.
  void Splice(std::size_t start, std::u16string_view text);
  // Inserts text after the first `after` characters of the line.
  void Insert(std::size_t after, std::u16string_view text);
  // Removes `count` characters starting at 1-based position `first`.
  void Erase(std::size_t first, std::size_t count);
  // The whole line as one string. Changes through it are allowed; NcLineLen() follows them.
  std::u16string& Line();
  void AppendLineTo(std::u16string& out) const;

  Module1& module;
  std::u16string_view SrcText;
  std::size_t TextPos = 1;  // 1-based start of the next line in SrcText
  std::size_t LineEnd = 0;  // 1-based position of the CR LF ending the current line; 0: none
  std::size_t NcPos = 1;
  std::u16string WordValue;

 private:
  void MoveGapTo(std::size_t pos);                // afterwards left_ holds positions 1 .. pos
  char16_t TakeComment(std::u16string* comment);  // TakeChar at a "(" or inside a comment

  bool ends_with_crlf_;

  std::u16string left_;
  std::u16string right_;
  std::size_t right_start_ = 0;
};

// Runs the standard line walk over source and returns the converted text: for every
// character the walk takes (after the comment rule), per_char(scanner, ch) does the
// conversion's work; each finished line is appended with CR LF. per_char may move NcPos or
// rewrite the line; the walk continues at NcPos + 1. per_line(scanner) runs before the walk
// of each line.
template <typename PerChar, typename PerLine>
std::u16string WalkLines(std::u16string_view source, Module1& module, PerChar&& per_char,
                         PerLine&& per_line) {
  Scanner s(source, module);
  std::u16string out;
  out.reserve(s.SrcText.size() + s.SrcText.size() / 8 + 16);
  while (s.NextLine()) {
    per_line(s);
    for (s.NcPos = 1; s.NcPos <= s.NcLineLen(); ++s.NcPos) per_char(s, s.TakeChar());
    s.AppendLineTo(out);
    out += u"\r\n";
  }
  return out;
}

template <typename PerChar>
std::u16string WalkLines(std::u16string_view source, Module1& module, PerChar&& per_char) {
  return WalkLines(source, module, per_char, [](Scanner&) {});
}

}  // namespace kestrum
