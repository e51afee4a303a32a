#include "convert/points.h"

#include "ncword/format_coord.h"
#include "ncword/line_walk.h"
#include "ncword/numeric.h"

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

constexpr NumberMask kPoint("#####0.####");
constexpr NumberMask kPointZero("#####0.0###");

// X10 -> X10. / X10.0 / X10. Every value goes through its mask, so it is also rounded to four
// decimals; a value that is no plain number ("-", "/", "1,5") stays as written. text is the
// buffer the new value is written to.
void RewriteValue(std::u16string_view value, PointMode mode, LineWriter& w, std::size_t at,
                  std::u16string& text) {
  text.clear();
  if (mode == PointMode::kAddPoint) {
    AppendMaskText(text, value, kPoint);
  } else if (mode == PointMode::kAddPointZero) {
    AppendMaskText(text, value, kPointZero);
  } else {
    AppendCoord4Text(text, value);
  }
  if (text != value) w.Replace(at, at + value.size(), text);
}

}  // namespace

std::u16string ConvertPoints(std::u16string_view src, PointMode mode, Module1& m) {
  std::u16string text;
  return StreamLines(src, m, [&](std::u16string_view line, LineWriter& w, std::size_t i) {
    ForEachWord(line, i, m.InComment, [&](char16_t letter, std::size_t at) {
      if (!IsDimensionLetter(letter)) return at + 1;
      const std::size_t end = ValueEnd(line, at);
      if (end > at + 1) RewriteValue(line.substr(at + 1, end - at - 1), mode, w, at + 1, text);
      return end;
    });
  });
}

}  // namespace kestrum
