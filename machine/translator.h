// The translation run, shared by the driver and assembly (translate.cpp) and the rules by
// direction (translate_rules.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "machine/conversion_table.h"
#include "machine/word_scan.h"
#include "ncword/format_coord.h"
#include "ncword/line_list.h"
#include "ncword/line_walk.h"
#include "ncword/module1.h"

namespace kestrum {

// A kept X, Y or Z that no longer tells the position.
inline constexpr double kUnknownPosition = 9999;

class Translator {
 public:
  Translator(const ConversionTable& table, bool break_after_return, Module1& m);

  // Translates one line into out; false when the line cannot be translated (failure()).
  bool Line(std::u16string_view line, OutBuffer& out);
  void Finish(OutBuffer& out);
  const std::u16string& failure() const { return failure_; }
  const LineList& kept() const { return kept_; }
  bool to_osp() const { return to_osp_; }

 private:
  struct MCodeRow {
    float number;
    std::u16string_view after;
  };

  // translate.cpp: the driver and the assembly of a line.
  bool KeepsLineAsWritten() const;
  bool WriteSpecialLine(std::u16string_view line);
  bool Assemble();
  std::optional<double> Moved(std::optional<double> last, double written) const;
  bool WriteAxis(char16_t axis, char16_t increment, std::optional<double>& last);
  std::u16string UnknownPositionMessage(char16_t axis, char16_t increment) const;
  void AppendComment(std::u16string_view opening);
  void Word(char16_t letter, double v, const NumberMask& mask);
  void WholeWord(char16_t letter, double v, const NumberMask& mask);
  double CoordWord(char16_t letter, double v, bool blank = true);
  void GWord(double g, bool blank = true);
  void ForgetPosition();

  // translate_rules.cpp: the rules by direction.
  bool KnownG(double g) const;
  void GRule(double g);
  void DwellToOsp();
  void DwellToFanuc();
  void OffsetSettingToOsp();
  void WorkSystemToFanuc();
  void MacroCallToOsp(int g);
  void ReturnLevelToFanuc();
  void CallWord(std::u16string_view call);
  void TailWords();
  void MCode(const LineWords::MWord& m);

  Module1& m_;
  const bool break_after_return_;
  const bool to_osp_;
  std::u16string_view reference_return_;
  std::vector<MCodeRow> m_codes_;

  // Run state.
  std::optional<double> last_x_, last_y_, last_z_, last_c_;  // nothing: position not known
  int prev_spindle_ = 97;
  bool incremental_ = false;  // G91 in force
  std::uint64_t line_number_ = 0;
  bool started_ = false;
  LineList kept_;  // lines with codes no rule translates, written as they were
  std::u16string failure_;

  // Line state and buffers reused from line to line.
  LineWords words_;
  std::u16string line_;  // the line being translated, after the rewrites before the scan
  std::u16string out_;   // the output of the line
  bool line_starts_in_comment_ = false;
  bool forget_position_ = false;
  bool o_prefix_ = false;  // the line starts with an O number followed by other words
  std::u16string code_;
};

}  // namespace kestrum
