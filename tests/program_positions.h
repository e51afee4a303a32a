// The absolute X, Y and Z positions a program reaches, read with the toolkit alone: a check of
// the G90/G91 conversion that does not share its code.
#pragma once

#include <algorithm>
#include <string_view>
#include <vector>

#include "ncword/line_walk.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"

namespace kestrum::reference {

// The position after every valued X, Y and Z word, in order, starting in G90 at 0, 0, 0.
inline std::vector<double> Positions(std::u16string_view text) {
  bool incremental = false;
  bool in_comment = false;
  double pos[3] = {0, 0, 0};
  std::vector<double> out;
  ForEachLine(text, [&](std::u16string_view line) {
    ForEachWord(line, in_comment, [&](char16_t c, std::size_t i) -> std::size_t {
      if (c == u'G') {
        const std::size_t end = ReadWordValue(line, i);
        const double g = ReadNumber(line.substr(i + 1, end - i - 1));
        if (g == 90 || g == 91) incremental = g == 91;
        return end;
      }
      const WordExpr e = ReadWordExpr(line, i);
      if ((c == u'X' || c == u'Y' || c == u'Z') && e.has_value()) {
        double& p = pos[c - u'X'];
        p = (incremental ? p : 0) + e.value;
        out.push_back(p);
      }
      return std::max(e.end, i + 1);
    });
    return true;
  });
  return out;
}

}  // namespace kestrum::reference
