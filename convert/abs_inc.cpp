#include "convert/abs_inc.h"

#include <algorithm>
#include <cstddef>

#include "convert/coord_words.h"
#include "ncword/format_coord.h"
#include "ncword/line_walk.h"
#include "ncword/numeric.h"

namespace kestrum {
namespace {

// Values with a decimal point: "12.", "-0.25", "1.2346".
constexpr NumberMask kPointMask("#####0.####");

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
    OutBuffer out(src.size() + src.size() / 8 + 256);
    m_.DistanceMode = options_.to_incremental ? 90 : 91;
    std::size_t lines = 0;
    const bool finished = ForEachLine(src, [&](std::u16string_view line) {
      if (header_state_ == 2) {
        ConvertLine(line, out);
      } else {
        // Until the first move the line is held back: the header may have to go before it.
        OutBuffer held(line.size() + 64);
        ConvertLine(line, held);
        if (header_state_ == 1) {
          // The target mode is set once, right before the first move; the source's own
          // mode words have become comments.
          out.Put(Header());
          header_state_ = 2;
        }
        out.Put(held.Take());
      }
      out.Put(u"\r\n");
      return !progress || progress(++lines, 0);
    });
    if (!finished) {
      m_.InComment = in_comment;
      m_.DistanceMode = distance_mode;
      return std::nullopt;
    }
    if (options_.end_comment) {
      out.Put(u"(END POINT G90 X" + x_.Format(x_.source, m_.OutDialect) + u" Y" +
              y_.Format(y_.source, m_.OutDialect) + u" Z" + z_.Format(z_.source, m_.OutDialect) +
              u")\r\n");
    }
    return out.Take();
  }

 private:
  static Axis StartAxis(std::u16string_view text, bool single) {
    Axis a{single, 0, 0};
    a.source = a.written = a.Store(ReadNumber(text));
    return a;
  }

  std::u16string Header() const {
    std::u16string header;
    if (options_.start_comment) {
      header = u"(CONVERT START G90 X" + FormatCoord(ReadNumber(options_.start_x), m_.OutDialect) +
               u" Y" + FormatCoord(ReadNumber(options_.start_y), m_.OutDialect) + u" Z" +
               FormatCoord(ReadNumber(options_.start_z), m_.OutDialect) + u")\r\n";
    }
    header += options_.to_incremental ? u"G91\r\n" : u"G90\r\n";
    return header;
  }

  void ConvertLine(std::u16string_view line, OutBuffer& out) {
    LineWriter w(line, out);
    m_.GNumber = 0;
    const std::size_t start = m_.InComment ? SkipComment(line, 0, m_.InComment) : 0;
    ForEachWord(line, start, m_.InComment, [&](char16_t c, std::size_t i) -> std::size_t {
      switch (c) {
        case u'G': {
          // The header word sets the mode of the whole result: a mode word of the source
          // would switch it back, so it becomes a comment. Mode words inside comments stay
          // as written: wrapping them would nest parentheses, and the first ")" would end
          // the comment early.
          const GWord g = ReadGWord(line, i, m_);
          if (g.sets_mode) {
            w.Insert(i, u"(");
            w.Insert(g.end, u")");
          }
          return g.end;
        }
        case u'X':
          // G04X1.5: a dwell time, not a position.
          return m_.GNumber == 4 ? i + 1 : Rewrite(line, w, i, x_);
        case u'Y':
          return Rewrite(line, w, i, y_);
        case u'Z':
          return Rewrite(line, w, i, z_);
        default:
          return ValueEnd(line, i);  // nothing in the value of another word is examined
      }
    });
    w.Finish();
  }

  // X10. -> X-5. when the tool stood at X15 (to incremental); X=10. keeps its "=". Returns
  // where the walk goes on.
  std::size_t Rewrite(std::u16string_view line, LineWriter& w, std::size_t letter, Axis& axis) {
    const CoordWord word = ReadCoordWord(line, letter);
    if (!word.has_value) return std::max(word.end, letter + 1);
    const double target = m_.DistanceMode == 90 ? word.value : axis.source + word.value;
    const double value = options_.to_incremental ? target - axis.written : target;
    text_.clear();
    const double written = options_.point ? AppendMask(text_, value, kPointMask)
                                          : AppendCoord(text_, value, m_.OutDialect);
    w.Replace(word.keep + 1, word.end, text_);
    axis.source = axis.Store(target);
    if (options_.to_incremental) axis.written = axis.Store(axis.written + written);
    if (header_state_ == 0) header_state_ = 1;
    return word.end;
  }

  const AbsIncOptions& options_;
  Module1& m_;
  Axis x_ = StartAxis(options_.start_x, false);
  Axis y_ = StartAxis(options_.start_y, false);
  Axis z_ = StartAxis(options_.start_z, true);
  int header_state_ = 0;  // 0 nothing moved yet, 1 the current line moves first, 2 written
  std::u16string text_;   // the value text of the word being rewritten
};

}  // namespace

std::optional<std::u16string> ConvertAbsInc(std::u16string_view src, const AbsIncOptions& options,
                                            Module1& m, const Progress& progress) {
  return AbsIncRun(options, m).Run(src, progress);
}

}  // namespace kestrum
