#include "convert/coord_words.h"

#include "ncword/numeric.h"
#include "ncword/read_word.h"

namespace kestrum {

GWord ReadGWord(std::u16string_view line, std::size_t letter, Module1& m) {
  std::size_t end = letter + 1;
  while (end < line.size() && IsValueChar(line[end])) ++end;
  m.GNumber = ReadNumber(line.substr(letter + 1, end - letter - 1));
  const bool sets_mode = m.GNumber == 90 || m.GNumber == 91;
  if (sets_mode) m.DistanceMode = static_cast<int>(m.GNumber);
  return {end, sets_mode};
}

CoordWord ReadCoordWord(std::u16string_view line, std::size_t letter) {
  const std::size_t keep =
      letter + 1 < line.size() && line[letter + 1] == u'=' ? letter + 1 : letter;
  const WordExpr e = EvaluateWordExpr(line.substr(letter + 1));
  CoordWord word{keep, letter + 1 + e.length, e.has_value, e.value};
  if (!word.has_value || e.plain) return word;
  // Z[100+5] is read up to its "]": the brackets the value opened go with it, so that the
  // line does not keep a stray "]".
  std::size_t open = 0;
  for (std::size_t p = letter + 1; p < word.end; ++p) open += line[p] == u'[';
  for (; open > 0 && word.end < line.size() && line[word.end] == u']'; --open) ++word.end;
  return word;
}

}  // namespace kestrum
