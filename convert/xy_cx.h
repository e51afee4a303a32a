// Cartesian X/Y positions to polar C (angle in degrees) / X (diameter) and back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ncword/line_list.h"
#include "ncword/line_walk.h"
#include "ncword/module1.h"

namespace kestrum {

enum class XyCxDirection { kToCx = 0, kToXy = 1 };

// G01X10.Y10.F200 -> G01C45.0X28.284F200 (to C/X): the C word takes the place of the first
// source word, the X word the place of the second. A word whose text equals the one written
// last is left out. Lines with a C word (to C/X) or a Y word (to X/Y) pass unchanged, and so
// do lines whose position cannot be known (a source word X#1, or a kept value that came from
// one): those are listed in the report.
class XyCxConversion final : public LineConversion {
 public:
  XyCxConversion(XyCxDirection direction, Module1& m);
  bool Line(std::u16string_view line, OutBuffer& out) override;
  std::u16string Report() const override;

 private:
  // Where a source word stands in the line: [start, end) from its letter to the end of its
  // value. start npos: the word is not on the line.
  struct WordPlace {
    std::size_t start = std::u16string::npos;
    std::size_t end = 0;
    bool present() const { return start != std::u16string::npos; }
  };
  // A piece [from, to) of the line replaced by the texts on the way out.
  struct Edit {
    std::size_t from;
    std::size_t to;
    std::u16string_view text[4];
  };

  void ScanLine(std::u16string_view line);
  void Convert(std::u16string_view line);
  std::u16string& Fresh(int k) { return texts_[k][1 - last_[k]]; }
  template <typename Value>
  void SetFresh(int k, Value v);
  void AddEdit(const Edit& e);
  void ToCx(double x, double y);
  void ToXy(double c, double diameter);

  const bool to_cx_;
  const char16_t source_[2];  // X, Y (to C/X) or C, X (to X/Y)
  const char16_t target_[2];  // C, X (to C/X) or X, Y (to X/Y)
  const char16_t blocker_;    // a valued word of this letter leaves the line as it is
  Module1& m_;

  // The source words' last values, carried from line to line; nothing after a value that
  // could not be known.
  std::optional<double> kept_[2] = {0.0, 0.0};
  // Per target word, the text written last and the text of the current line; last_ says
  // which is which. written_ false: nothing to compare with, the word is written.
  std::u16string texts_[2][2];
  int last_[2] = {0, 0};
  bool written_[2] = {false, false};
  std::uint64_t line_number_ = 0;
  LineList unknown_;

  WordPlace place_[2];            // per line
  bool blocked_ = false;          // per line
  bool touched_ = false;          // per line: a source or blocking letter outside comments
  bool unknown_value_ = false;    // per line: a source word whose value cannot be known
  bool moved_elsewhere_ = false;  // per line: a move or an origin the program does not tell
  std::vector<Edit> edits_;       // per line, the mode words turned into comments first
};

std::u16string ConvertXyCx(std::u16string_view src, XyCxDirection direction, Module1& m,
                           std::u16string* report = nullptr);

}  // namespace kestrum
