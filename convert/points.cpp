#include "convert/points.h"

#include "convert/word_name.h"
#include "ncword/format_coord.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"
#include "ncword/scanner.h"

namespace kestrum {
namespace {

// Dimension words. Program and sequence numbers, G, M, S and T codes, P and Q (dwell counts,
// subprogram and sequence numbers) and V are integers that keep their form.
constexpr bool IsDimensionLetter(char16_t c) {
  if (!IsAddressLetter(c)) return false;
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

}  // namespace

std::u16string ConvertPoints(std::u16string_view src, PointMode mode, Module1& m) {
  return WalkLines(src, m, [mode](Scanner& s, char16_t ch) {
    if (!IsDimensionLetter(ch) || IsInsideName(s, s.NcPos)) return;
    const std::size_t word_start = s.NcPos;
    ReadWordValue(s);
    if (s.WordValue.empty()) return;
    // X10 -> X10. / X10.0 / X10; a value that is no plain number ("-", "/", "1,5") stays as
    // written.
    switch (mode) {
      case PointMode::kAddPoint:
        s.Splice(word_start, FormatMaskText(s.WordValue, "#####0.####"));
        break;
      case PointMode::kAddPointZero:
        s.Splice(word_start, FormatMaskText(s.WordValue, "#####0.0###"));
        break;
      case PointMode::kRemove:
        s.Splice(word_start, FormatCoord4Text(s.WordValue));
        break;
    }
  });
}

}  // namespace kestrum
