#include "machine/word_scan.h"

#include <cmath>
#include <optional>

#include "ncword/line_walk.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"

namespace kestrum {
namespace {

// A G number that is a whole number (G5.1 is not G05).
int WholeNumber(double g) {
  return g == std::floor(g) && std::fabs(g) <= 1000 ? static_cast<int>(g) : -1;
}

void SortG(double g, LineWords& w, bool& incremental) {
  const int n = WholeNumber(g);
  if (n == 17 || n == 18 || n == 19) {
    w.plane_g = n;
  } else if (n == 40 || n == 41 || n == 42) {
    w.comp_g = n;
  } else if (n >= 53 && n <= 59) {
    w.work_g = static_cast<float>(n);
  } else if (n == 90 || n == 91) {
    w.distance = n;
    incremental = n == 91;
  } else if (n == 96 || n == 97) {
    w.spindle = n;
  } else if (n == 94 || n == 95) {
    w.feed = n;
  } else {
    w.other_g.push_back(g);
    w.has[LetterIndex(u'G')] = true;
  }
}

}  // namespace

void LineWords::Reset() {
  has.fill(false);
  // Every value but those kept from line to line (A, C, D, X, Y, Z, N).
  static constexpr bool kKept[26] = {true,  false, true,  true,  false, false, false, false, false,
                                     false, false, false, false, true,  false, false, false, false,
                                     false, false, false, false, false, true,  true,  true};
  for (int i = 0; i < 26; ++i) {
    if (!kKept[i]) value[i] = 0;
  }
  Value(u'H') = -1;
  p = u"0";
  o = u"0";
  comment.clear();
  other_g.clear();
  plane_g = comp_g = distance = feed = spindle = 0;
  work_g = -1;
  hash_number = 0;
  m_list.clear();
  block_delete = false;
  unknown = false;
}

void ScanWords(std::u16string_view line, bool& in_comment, LineWords& w, bool& incremental) {
  w.Reset();
  // The value of the word whose letter is line[i], as the expression reader reads it; *end
  // receives where the walk goes on.
  const auto value_of = [&](std::size_t i, std::size_t* end) -> std::optional<double> {
    const WordExpr e = ReadWordExpr(line, i);
    *end = e.end;
    if (e.kind == ValueKind::kUnknown) w.unknown = true;
    if (!e.has_value()) return std::nullopt;
    return e.value;
  };
  WalkCode(
      line, in_comment,
      [&](std::size_t i) -> std::size_t {
        const char16_t c = line[i];
        std::size_t end = i + 1;
        switch (c) {
          case u'O':
            end = ReadWordToken(line, i + 1);
            w.o = line.substr(i + 1, end - i - 1);
            break;
          case u'/':
            if (i == 0) w.block_delete = true;
            break;
          case u'N': {
            end = ReadWordToken(line, i + 1);
            if (end > i + 1) {
              w.Value(u'N') = ReadNumber(line.substr(i + 1, end - i - 1));
              w.has[LetterIndex(u'N')] = true;
            }
            break;
          }
          case u'G': {
            end = ReadWordValue(line, i);
            // A G without digits is no G word: read as G00 it would add a rapid move.
            const std::u16string_view value = line.substr(i + 1, end - i - 1);
            if (value.find_first_of(u"0123456789") != std::u16string_view::npos) {
              SortG(ReadNumber(value), w, incremental);
            }
            break;
          }
          case u'E':
          case u'V':
            // A thread lead and a variable of OSP: neither has a word in the other dialect.
            value_of(i, &end);
            w.unknown = true;
            break;
          case u'F':
          case u'R':
          case u'T':
            w.Value(c) = value_of(i, &end).value_or(0);
            break;
          case u'M':
            if (const std::optional<double> v = value_of(i, &end)) {
              w.m_list.push_back({ToSingle(*v), i + 1, end});
            }
            break;
          case u'P':
            end = ReadWordValue(line, i);
            if (end > i + 1) w.p = line.substr(i + 1, end - i - 1);
            break;
          case u'S':
            if (i + 1 < line.size() && line[i + 1] == u'B') {
              // SB: the speed of a second spindle, which has no word in FANUC.
              value_of(i + 1, &end);
              w.unknown = true;
            } else {
              w.Value(u'S') = value_of(i, &end).value_or(0);
            }
            break;
          case u'#':
            end = ReadWordToken(line, i + 1);
            if (end > i + 1) w.hash_number = ReadNumber(line.substr(i + 1, end - i - 1));
            break;
          case u'A':
          case u'B':
          case u'C':
          case u'D':
          case u'H':
          case u'I':
          case u'J':
          case u'K':
          case u'L':
          case u'Q':
          case u'U':
          case u'W':
          case u'X':
          case u'Y':
          case u'Z':
            // The letters whose value and presence both count.
            if (const std::optional<double> v = value_of(i, &end)) {
              w.Value(c) = *v;
              w.has[LetterIndex(c)] = true;
            }
            break;
          default:
            break;
        }
        return end;
      },
      [&](std::size_t open, std::size_t close) {
        const std::size_t from = open == std::u16string_view::npos ? 0 : open + 1;
        w.comment.append(line.substr(from, close - from));
      });
}

}  // namespace kestrum
