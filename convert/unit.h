// Unit change between 0.001 mm, 0.01 mm, mm and inch.
#pragma once

#include <string>
#include <string_view>

#include "ncword/line_list.h"
#include "ncword/line_walk.h"
#include "ncword/module1.h"

namespace kestrum {

enum class UnitMode {
  kMicrometresToMm = 0,  // "0.001 mm → 1 mm"
  kHundredthsToMm = 1,   // "0.01  mm → 1 mm"
  kInchToMm = 2,         // "  1 inch → 1 mm"
  kMmToInch = 3,         // "1 mm → 1 inch"
  kMmToMicrometres = 4,  // "1 mm → 0.001 mm"
  kMmToHundredths = 5,   // "1 mm → 0.01  mm"
};

class UnitConversion final : public LineConversion {
 public:
  // Sets FeedMode 95 (per revolution) and SpindleMode 97 (rev/min) for the run's start.
  UnitConversion(UnitMode mode, Module1& m);
  bool Line(std::u16string_view line, OutBuffer& out) override;
  // The lines with words whose value could not be known, left as written.
  std::u16string Report() const override;

 private:
  enum class Kind { kLength, kE, kS };
  std::size_t Word(std::u16string_view line, LineWriter& w, char16_t letter, std::size_t at);
  std::size_t Rewrite(std::u16string_view line, LineWriter& w, std::size_t letter, Kind kind);
  void SetMode(double g);
  float Scaled(Kind kind, float v) const;
  double Write(Kind kind, float v);

  // X, Y and Z followed through G91 moves: the source's position and the one written.
  struct Track {
    bool known = true;
    double source = 0;
    double written = 0;
  };

  UnitMode mode_;
  Module1& m_;
  std::uint64_t line_number_ = 0;
  bool incremental_ = false;  // G91 in force
  Track tracks_[3];
  LineList unknown_;
  std::u16string number_;  // the new value text of the word being rewritten
};

std::u16string ConvertUnit(std::u16string_view src, UnitMode mode, Module1& m,
                           std::u16string* report = nullptr);

}  // namespace kestrum
