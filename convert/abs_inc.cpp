#include "convert/abs_inc.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "convert/coord_words.h"
#include "ncword/format_coord.h"
#include "ncword/numeric.h"

namespace kestrum {
namespace {

// Values with a decimal point: "12.", "-0.25", "1.2346".
constexpr NumberMask kPointMask("#####0.####");

}  // namespace

double AbsIncConversion::Axis::Store(double v) const {
  return single ? static_cast<double>(ToSingle(v)) : v;
}

AbsIncConversion::AbsIncConversion(const AbsIncOptions& options, Module1& m, Progress progress)
    : options_(options), m_(m), progress_(std::move(progress)) {
  const auto start = [](std::u16string_view text, bool single) {
    Axis a{single, 0.0, 0.0};
    a.source = a.written = a.Store(ReadNumber(text));
    return a;
  };
  x_ = start(options_.start_x, false);
  y_ = start(options_.start_y, false);
  z_ = start(options_.start_z, true);
  // The rotary axes start at 0: a rotary word left as written under the incremental header
  // would turn the axis by its angle instead of to it.
  a_ = b_ = c_ = start(u"", false);
  m_.DistanceMode = options_.to_incremental ? 90 : 91;
}

bool AbsIncConversion::Line(std::u16string_view line, OutBuffer& out) {
  ++line_number_;
  m_.GNumber = 0;
  // Lines written before this one must not land in a comment that an earlier line left
  // open: they go after the ")" that closes it, the line cut there. Lines written after it
  // go before a comment that this line leaves open.
  std::size_t code_start = 0;
  if (m_.InComment) {
    bool still = true;
    code_start = SkipComment(line, 0, still);
  }
  Plan(line);
  const int target_mode = options_.to_incremental ? 91 : 90;
  before_.clear();
  // The target mode is set once, right before the first move; the source's own mode words
  // have become comments.
  if (!words_.empty() && !data_ && !set_position_ && !header_written_) {
    Header(before_);
    header_written_ = true;
  }
  const bool wrap = kept_ && !words_.empty() && kept_mode_ != target_mode;
  if (wrap) before_ += kept_mode_ == 90 ? u"G90\r\n" : u"G91\r\n";
  LineWriter w(line, out);
  if (code_start == 0) {
    out.Put(before_);
  } else if (!before_.empty()) {
    w.Insert(code_start, u"\r\n" + before_);
  }
  std::size_t k = 0;  // the next mode word
  std::size_t j = 0;  // the next rewritten word
  const std::size_t rewritten = kept_ ? 0 : words_.size();
  while (k < mode_words_.size() || j < rewritten) {
    if (j == rewritten || (k < mode_words_.size() && mode_words_[k] < words_[j].expr.keep)) {
      // The header word sets the mode of the whole result: a mode word of the source would
      // switch it back, so it becomes a comment. Mode words inside comments stay as written:
      // wrapping them would nest parentheses, and the first ")" would end the comment early.
      w.Insert(mode_words_[k], u"(");
      w.Insert(mode_words_[k + 1], u")");
      k += 2;
    } else {
      const std::size_t from = j == 0 ? 0 : text_ends_[j - 1];
      const std::u16string_view text =
          std::u16string_view(texts_).substr(from, text_ends_[j] - from);
      w.Replace(words_[j].expr.keep + 1, words_[j].expr.end, text);
      ++j;
    }
  }
  const std::u16string_view after = !wrap ? u"" : target_mode == 91 ? u"G91" : u"G90";
  if (!after.empty() && open_comment_ != std::u16string_view::npos) {
    w.Insert(open_comment_, u"\r\n" + std::u16string(after) + u"\r\n");
    w.Finish();
  } else {
    w.Finish();
    if (!after.empty()) {
      out.Put(after);
      out.Put(u"\r\n");
    }
  }
  return !progress_ || progress_(static_cast<std::size_t>(line_number_), 0);
}

AbsIncConversion::Axis* AbsIncConversion::AxisOf(char16_t letter) {
  switch (letter) {
    case u'X':
      return &x_;
    case u'Y':
      return &y_;
    case u'Z':
      return &z_;
    case u'A':
      return &a_;
    case u'B':
      return &b_;
    default:
      return &c_;
  }
}

// Reads the line's words, then decides what becomes of its X, Y and Z words and follows the
// positions past it.
void AbsIncConversion::Plan(std::u16string_view line) {
  words_.clear();
  mode_words_.clear();
  texts_.clear();
  text_ends_.clear();
  dwell_ = data_ = set_position_ = machine_ = reference_ = false;
  open_comment_ = std::u16string_view::npos;
  WalkCode(
      line, m_.InComment,
      [&](std::size_t i) -> std::size_t {
        const char16_t c = line[i];
        if (!IsAddressLetter(c) || IsInsideName(line, i)) return i + 1;
        switch (c) {
          case u'G': {
            const GWord g = ReadGWord(line, i, m_);
            if (g.sets_mode) {
              mode_words_.push_back(i);
              mode_words_.push_back(g.end);
            }
            const double n = m_.GNumber;
            dwell_ = dwell_ || n == 4;
            data_ = data_ || n == 10;
            set_position_ = set_position_ || n == 92;
            machine_ = machine_ || n == 53;
            reference_ = reference_ || n == 28 || n == 30;
            return g.end;
          }
          case u'X':
          case u'Y':
          case u'Z':
          case u'A':
          case u'B':
          case u'C': {
            const WordExpr e = ReadWordExpr(line, i);
            // G04X1.5: a dwell time, not a position.
            if (e.kind != ValueKind::kNone && !(c == u'X' && dwell_)) {
              words_.push_back({AxisOf(c), e, m_.DistanceMode});
            }
            return e.end;
          }
          default:
            return ReadWordExpr(line, i).end;  // nothing in the value of another word is examined
        }
      },
      [&](std::size_t open, std::size_t close) {
        if (open != std::u16string_view::npos && close == line.size()) open_comment_ = open;
      });
  kept_ = false;
  if (words_.empty()) return;
  kept_mode_ = words_.front().mode;
  if (data_ || machine_) {
    // Offset data and machine coordinates are no position of the program.
    kept_ = true;
    if (machine_) {
      for (AxisWord& word : words_) word.axis->Forget();
    }
    return;
  }
  if (set_position_) {
    kept_ = true;
    kept_mode_ = options_.to_incremental ? 91 : 90;  // G92 means the same in either mode
    for (AxisWord& word : words_) {
      if (word.expr.has_value()) {
        word.axis->source = word.axis->written = word.axis->Store(word.expr.value);
      } else {
        word.axis->Forget();
      }
    }
    return;
  }
  for (const AxisWord& word : words_) {
    const bool needs_unknown = options_.to_incremental ? word.mode == 90 && !word.axis->written
                                                       : word.mode == 91 && !word.axis->source;
    kept_ = kept_ || !word.expr.has_value() || needs_unknown;
  }
  for (AxisWord& word : words_) {
    if (kept_) {
      Keep(word);
    } else {
      Convert(word);
    }
  }
  if (reference_) {
    // The tool went on to the reference position, which the program's coordinates do not
    // tell.
    for (AxisWord& word : words_) word.axis->Forget();
  }
}

// X10. -> X-5. when the tool stood at X15 (to incremental); X=10. keeps its "=".
void AbsIncConversion::Convert(AxisWord& word) {
  Axis& axis = *word.axis;
  const double v = word.expr.value;
  std::optional<double> target;
  if (word.mode == 90) {
    target = v;
  } else if (axis.source) {
    target = *axis.source + v;
  }
  double value;
  if (!options_.to_incremental) {
    value = *target;  // known: a word that needs an unknown position keeps its line
  } else if (target && axis.written) {
    value = *target - *axis.written;
  } else {
    value = v;  // an increment from an unknown position stays that increment
  }
  const double written = options_.point ? AppendMask(texts_, value, kPointMask)
                                        : AppendCoord(texts_, value, m_.OutDialect);
  text_ends_.push_back(texts_.size());
  axis.source = target ? std::optional<double>(axis.Store(*target)) : std::nullopt;
  if (options_.to_incremental) {
    axis.written =
        axis.written ? std::optional<double>(axis.Store(*axis.written + written)) : std::nullopt;
  } else {
    axis.written = axis.source;
  }
}

// The position past a word kept as written, as the source means it.
void AbsIncConversion::Keep(const AxisWord& word) {
  Axis& axis = *word.axis;
  if (!word.expr.has_value()) {
    unknown_.Add(line_number_);
    axis.Forget();
    return;
  }
  const double v = word.expr.value;
  if (word.mode == 90) {
    axis.source = axis.written = axis.Store(v);
    return;
  }
  const auto add = [&](const std::optional<double>& p) {
    return p ? std::optional<double>(axis.Store(*p + v)) : std::nullopt;
  };
  axis.source = add(axis.source);
  axis.written = add(axis.written);
}

void AbsIncConversion::Header(std::u16string& out) const {
  if (options_.start_comment) {
    out += u"(CONVERT START G90 X" + FormatCoord(ReadNumber(options_.start_x), m_.OutDialect) +
           u" Y" + FormatCoord(ReadNumber(options_.start_y), m_.OutDialect) + u" Z" +
           FormatCoord(ReadNumber(options_.start_z), m_.OutDialect) + u")\r\n";
  }
  out += options_.to_incremental ? u"G91\r\n" : u"G90\r\n";
}

// " X12.5"; nothing for a position that is unknown.
void AbsIncConversion::AppendPosition(std::u16string& text, char16_t letter,
                                      const Axis& axis) const {
  if (!axis.source) return;
  text += u' ';
  text += letter;
  if (axis.single) {
    AppendCoord(text, ToSingle(*axis.source), m_.OutDialect);
  } else {
    AppendCoord(text, *axis.source, m_.OutDialect);
  }
}

void AbsIncConversion::Finish(OutBuffer& out) {
  if (!options_.end_comment) return;
  std::u16string text = u"(END POINT G90";
  AppendPosition(text, u'X', x_);
  AppendPosition(text, u'Y', y_);
  AppendPosition(text, u'Z', z_);
  text += u")\r\n";
  out.Put(text);
}

std::u16string AbsIncConversion::Report() const { return unknown_.Message(kUnknownValueText); }

std::optional<std::u16string> ConvertAbsInc(std::u16string_view src, const AbsIncOptions& options,
                                            Module1& m, const Progress& progress,
                                            std::u16string* report) {
  const bool in_comment = m.InComment;
  const int distance_mode = m.DistanceMode;
  AbsIncConversion run(options, m, progress);
  std::u16string result;
  if (!ConvertWhole(src, run, result, report)) {
    m.InComment = in_comment;
    m.DistanceMode = distance_mode;
    return std::nullopt;
  }
  return result;
}

}  // namespace kestrum
