#include "convert/points.h"

#include "ncword/format_coord.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"

namespace kestrum {
namespace {

// Dimension words. Program and sequence numbers, G, M, S and T codes, P and Q (dwell counts,
// subprogram and sequence numbers) and V are integers that keep their form.
constexpr bool IsDimensionLetter(char16_t c) {
  switch (c) {
    case u'O':
    case u'N':
    case u'P':
    case u'Q':
    case u'G':
    case u'S':
    case u'T':
    case u'V':
    case u'M':
      return false;
    default:
      return true;
  }
}

constexpr NumberMask kPoint("#####0.####");
constexpr NumberMask kPointZero("#####0.0###");

}  // namespace

bool PointsConversion::Line(std::u16string_view line, OutBuffer& out) {
  LineWriter w(line, out);
  ForEachWord(line, m_.InComment, [&](char16_t letter, std::size_t at) {
    if (!IsDimensionLetter(letter)) return at + 1;
    const std::size_t end = ReadWordValue(line, at);
    if (end == at + 1) return end;
    // X10 -> X10. / X10.0 / X10. Every value goes through its mask, so it is also rounded to
    // four decimals; a value that is no plain number ("-", "/", "1,5") stays as written.
    const std::u16string_view value = line.substr(at + 1, end - at - 1);
    text_.clear();
    if (mode_ == PointMode::kAddPoint) {
      AppendMaskText(text_, value, kPoint);
    } else if (mode_ == PointMode::kAddPointZero) {
      AppendMaskText(text_, value, kPointZero);
    } else {
      AppendCoord4Text(text_, value);
    }
    if (text_ != value) w.Replace(at + 1, end, text_);
    return end;
  });
  w.Finish();
  return true;
}

std::u16string ConvertPoints(std::u16string_view src, PointMode mode, Module1& m) {
  PointsConversion run(mode, m);
  return ConvertWhole(src, run);
}

}  // namespace kestrum
