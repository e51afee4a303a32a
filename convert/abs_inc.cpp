#include "convert/abs_inc.h"

#include "ncword/format_coord.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"

namespace kestrum {

int ReadGWord(Scanner& s) {
  ReadWordValue(s);
  s.module.GNumber = ReadNumber(s.WordValue);
  if (s.module.GNumber == 90 || s.module.GNumber == 91) {
    s.module.DistanceMode = static_cast<int>(s.module.GNumber);
    return s.module.DistanceMode;
  }
  return 0;
}

void CommentOutWord(Scanner& s, std::size_t letter) {
  std::u16string word;
  word.reserve(s.NcPos - letter + 3);
  word += u'(';
  for (std::size_t p = letter; p <= s.NcPos; ++p) word += s.At(p);
  word += u')';
  s.Splice(letter - 1, word);
}

namespace {

// One axis followed through the program.
struct Axis {
  bool single;  // Z keeps every position in single precision
  // The absolute position the source program has reached.
  double source;
  // The absolute position the written incremental program has reached: the sum of the
  // increments as written, after their rounding. The next increment is taken from here, so
  // that rounding to three or four decimals never adds up over a long program.
  double written;

  double Store(double v) const { return single ? static_cast<double>(ToSingle(v)) : v; }
  std::u16string Format(double v, int out_dialect) const {
    return single ? FormatCoord(ToSingle(v), out_dialect) : FormatCoord(v, out_dialect);
  }
};

class AbsIncRun {
 public:
  AbsIncRun(const AbsIncOptions& options, Module1& m) : options_(options), m_(m) {}

  std::optional<std::u16string> Run(std::u16string_view src, const Progress& progress) {
    const bool in_comment = m_.InComment;
    const int distance_mode = m_.DistanceMode;
    Scanner s(src, m_);
    std::u16string out;
    out.reserve(s.SrcText.size() + s.SrcText.size() / 8 + 256);
    m_.DistanceMode = options_.to_incremental ? 90 : 91;
    std::size_t lines = 0;
    while (s.NextLine()) {
      ScanLine(s);
      if (header_state_ == 1) {
        // The target mode is set once, right before the first move; the source's own mode
        // words have become comments.
        if (options_.start_comment) {
          out += StartComment();
          out += u"\r\n";
        }
        out += options_.to_incremental ? u"G91\r\n" : u"G90\r\n";
        header_state_ = 2;
      }
      s.AppendLineTo(out);
      out += u"\r\n";
      if (progress && !progress(++lines, 0)) {
        m_.InComment = in_comment;
        m_.DistanceMode = distance_mode;
        return std::nullopt;
      }
    }
    if (options_.end_comment) {
      out += u"(END POINT G90 X" + x_.Format(x_.source, m_.OutDialect) + u" Y" +
             y_.Format(y_.source, m_.OutDialect) + u" Z" + z_.Format(z_.source, m_.OutDialect) +
             u")\r\n";
    }
    return out;
  }

 private:
  static Axis StartAxis(std::u16string_view text, bool single) {
    Axis a{single, 0, 0};
    a.source = a.written = a.Store(ReadNumber(text));
    return a;
  }

  std::u16string StartComment() const {
    return u"(CONVERT START G90 X" + FormatCoord(ReadNumber(options_.start_x), m_.OutDialect) +
           u" Y" + FormatCoord(ReadNumber(options_.start_y), m_.OutDialect) + u" Z" +
           FormatCoord(ReadNumber(options_.start_z), m_.OutDialect) + u")";
  }

  void ScanLine(Scanner& s) {
    m_.GNumber = 0;
    for (s.NcPos = 1; s.NcPos <= s.NcLineLen(); ++s.NcPos) {
      const std::size_t letter = s.NcPos;
      switch (s.TakeChar()) {
        case u'G':
          // The header word sets the mode of the whole result: a mode word of the source
          // would switch it back, so it becomes a comment. Mode words inside comments are
          // never reached and stay as written: wrapping them would nest parentheses, and the
          // first ")" would end the comment early.
          if (ReadGWord(s) != 0) CommentOutWord(s, letter);
          break;
        case u'X':
          if (!InDwell(s)) Rewrite(s, x_);
          break;
        case u'Y':
          Rewrite(s, y_);
          break;
        case u'Z':
          Rewrite(s, z_);
          break;
        default:
          break;
      }
    }
  }

  // X10. -> X-5. when the tool stood at X15 (to incremental); X=10. keeps its "=".
  void Rewrite(Scanner& s, Axis& axis) {
    const std::size_t letter = s.NcPos;
    const std::size_t keep =
        letter < s.NcLineLen() && s.At(letter + 1) == u'=' ? letter + 1 : letter;
    ReadWordExpr(s);
    if (s.WordValue.empty()) return;
    // Z[100+5] is read up to its "]": the brackets the value opened go with it, so that the
    // line does not keep a stray "]".
    std::size_t open = 0;
    for (std::size_t p = letter + 1; p <= s.NcPos; ++p) open += s.At(p) == u'[';
    for (; open > 0 && s.NcPos < s.NcLineLen() && s.At(s.NcPos + 1) == u']'; --open) ++s.NcPos;

    const double v = ReadNumber(s.WordValue);
    const double target = m_.DistanceMode == 90 ? v : axis.source + v;
    const double value = options_.to_incremental ? target - axis.written : target;
    const std::u16string text =
        options_.point ? FormatMask(value, "#####0.####") : FormatCoord(value, m_.OutDialect);
    s.Splice(keep, text);
    axis.source = axis.Store(target);
    if (options_.to_incremental) axis.written = axis.Store(axis.written + ReadNumber(text));
    if (header_state_ == 0) header_state_ = 1;
  }

  const AbsIncOptions& options_;
  Module1& m_;
  Axis x_ = StartAxis(options_.start_x, false);
  Axis y_ = StartAxis(options_.start_y, false);
  Axis z_ = StartAxis(options_.start_z, true);
  int header_state_ = 0;  // 0 nothing moved yet, 1 the current line moves first, 2 written
};

}  // namespace

std::optional<std::u16string> ConvertAbsInc(std::u16string_view src, const AbsIncOptions& options,
                                            Module1& m, const Progress& progress) {
  return AbsIncRun(options, m).Run(src, progress);
}

}  // namespace kestrum
