#include "convert/coord_words.h"

#include "ncword/numeric.h"
#include "ncword/read_word.h"

namespace kestrum {

GWord ReadGWord(std::u16string_view line, std::size_t letter, Module1& m) {
  const std::size_t end = ReadWordValue(line, letter);
  m.GNumber = ReadNumber(line.substr(letter + 1, end - letter - 1));
  const bool sets_mode = m.GNumber == 90 || m.GNumber == 91;
  if (sets_mode) m.DistanceMode = static_cast<int>(m.GNumber);
  return {end, sets_mode};
}

}  // namespace kestrum
