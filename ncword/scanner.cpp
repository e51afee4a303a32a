#include "ncword/scanner.h"

#include <algorithm>
#include <cassert>

#include "ncword/line_walk.h"

namespace kestrum {

Scanner::Scanner(std::u16string_view source, Module1& module)
    : module(module), SrcText(source), ends_with_crlf_(source.ends_with(u"\r\n")) {}

bool Scanner::NextLine() {
  const std::size_t start = TextPos - 1;
  const std::size_t size = SrcText.size();
  const std::size_t end = start < size ? FindCrLf(SrcText, start) : size;
  // Without a CR LF of its own, the rest is the last line, ended by the CR LF the source is
  // read with (a source in CR LF form has no such line).
  if (end == size && (start > size || (start == size && ends_with_crlf_))) {
    LineEnd = 0;
    return false;
  }
  LineEnd = end + 1;
  // The line starts with its gap at the end: Line() then costs nothing, and the first edit
  // moves the rest of the line once, as the walk's later edits do.
  left_.assign(SrcText, start, end - start);
  right_.clear();
  right_start_ = 0;
  TextPos = LineEnd + 2;
  NcPos = 1;
  WordValue.clear();
  return true;
}

char16_t Scanner::TakeComment(std::u16string* comment) {
  std::size_t p = module.InComment ? NcPos : NcPos + 1;
  module.InComment = true;
  const std::size_t len = NcLineLen();
  for (; p <= len; ++p) {
    const char16_t ch = At(p);
    if (ch == u')') {
      module.InComment = false;
      NcPos = p;
      return u')';
    }
    if (comment) comment->push_back(ch);
  }
  NcPos = len + 1;
  return kNoChar;
}

void Scanner::MoveGapTo(std::size_t pos) {
  assert(pos <= NcLineLen());
  if (pos > left_.size()) {
    const std::size_t k = pos - left_.size();
    left_.append(right_, right_start_, k);
    right_start_ += k;
  } else if (pos < left_.size()) {
    const std::size_t k = left_.size() - pos;
    if (right_start_ >= k) {
      // Reuse the consumed room in front of the right part.
      right_start_ -= k;
      std::copy(left_.begin() + pos, left_.end(), right_.begin() + right_start_);
    } else {
      right_.replace(0, right_start_, left_, pos, k);
      right_start_ = 0;
    }
    left_.resize(pos);
  }
}

void Scanner::Splice(std::size_t start, std::u16string_view text) {
  assert(start <= NcPos && NcPos <= NcLineLen());
  MoveGapTo(NcPos);
  left_.resize(start);
  left_.append(text);
  NcPos = start + text.size();
}

void Scanner::Insert(std::size_t after, std::u16string_view text) {
  MoveGapTo(after);
  left_.append(text);
}

void Scanner::Erase(std::size_t first, std::size_t count) {
  assert(first >= 1 && first - 1 + count <= NcLineLen());
  MoveGapTo(first - 1 + count);
  left_.resize(first - 1);
}

std::u16string& Scanner::Line() {
  MoveGapTo(NcLineLen());
  right_.clear();
  right_start_ = 0;
  return left_;
}

void Scanner::AppendLineTo(std::u16string& out) const {
  out += left_;
  out.append(right_, right_start_);
}

}  // namespace kestrum
