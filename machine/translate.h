// OSP <-> FANUC dialect translation driven by the conversion table.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "machine/conversion_table.h"
#include "ncword/line_walk.h"
#include "ncword/module1.h"

namespace kestrum {

class Translator;

// The translation as a line conversion. Row 2 of the table gives the direction ("FANUC" /
// "OSP": to OSP, OutDialect 1; "OSP" / "FANUC": to FANUC, OutDialect 2); a row 2 naming
// neither keeps the direction of the previous translation in m.OutDialect, and without one
// nothing runs (ok() is false). Row 5's after is the reference point return, rows 6 to 100
// map M codes. break_after_return (Check1) ends the output line after M02, RTS, M00, M01 and
// M99. m.InComment carries an open comment into and out of the run. A line that cannot be
// translated stops the run (Line returns false) with failure() saying why. Codes that no rule
// translates are kept as written, and Report() lists their lines.
class TranslateConversion final : public LineConversion {
 public:
  TranslateConversion(const ConversionTable& table, bool break_after_return, Module1& m);
  ~TranslateConversion() override;

  bool ok() const { return failure_.empty(); }
  const std::u16string& failure() const { return failure_; }
  bool to_fanuc() const;

  bool Line(std::u16string_view line, OutBuffer& out) override;
  void Finish(OutBuffer& out) override;
  std::u16string Report() const override;

 private:
  std::unique_ptr<Translator> translator_;
  std::u16string failure_;
};

// Line ends the translation cannot read: a line feed that does not follow a CR (the LF-only
// message) or a CR without its line feed. The translation checks for them before the first
// line. On the bytes of a file the answer is the same as on its text.
std::optional<std::u16string_view> LineEndFault(std::u16string_view text);
std::optional<std::u16string_view> LineEndFault(std::string_view bytes);
// The LF-only message, shown with the error icon.
std::u16string_view LfOnlyMessage();

struct TranslateResult {
  std::u16string text;  // the whole result, or the lines written before a failure
  bool ok = true;
  std::u16string message;   // the failure's message
  bool error_icon = false;  // shown with the error icon
  std::u16string report;    // after a run that kept codes as written: the lines, or ""
};

// Translates a whole text; line ends are checked first.
TranslateResult TranslateProgram(std::u16string_view src, const ConversionTable& table,
                                 bool break_after_return, Module1& m);

}  // namespace kestrum
