// The lines a run left as written, for the one message that lists them after the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

class LineList {
 public:
  // A message lists this many line numbers, then "…".
  static constexpr std::size_t kShown = 20;

  // Line numbers are 1-based and come in ascending order; a line added twice counts once.
  void Add(std::uint64_t line) {
    if (!lines_.empty() && lines_.back() == line) return;
    if (lines_.size() == kShown) {
      more_ = true;
      return;
    }
    lines_.push_back(line);
  }
  bool empty() const { return lines_.empty(); }
  const std::vector<std::uint64_t>& lines() const { return lines_; }
  bool more() const { return more_; }

  // text + ": 12, 40, 41 行", with ", …" after the twentieth number when there are more; ""
  // when no line was added.
  std::u16string Message(std::u16string_view text) const {
    if (lines_.empty()) return {};
    std::u16string message(text);
    message += u": ";
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (i > 0) message += u", ";
      const std::string digits = std::to_string(lines_[i]);
      message.append(digits.begin(), digits.end());
    }
    if (more_) message += u", …";
    message += u" 行";
    return message;
  }

 private:
  std::vector<std::uint64_t> lines_;
  bool more_ = false;
};

// After a run of the unit, G90/G91, XY/CX or rotary conversion: the words whose value could
// not be known, left as written.
inline constexpr std::u16string_view kUnknownValueText =
    u"式の値が分からないため変換していないワードがあります";

}  // namespace kestrum
