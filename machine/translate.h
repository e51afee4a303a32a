// OSP <-> FANUC dialect translation driven by the conversion table.
#pragma once

#include <string>
#include <string_view>

#include "machine/conversion_table.h"
#include "ncword/module1.h"

namespace kestrum {

struct TranslateResult {
  std::u16string text;  // the whole result, or the lines written before a failure
  bool ok = true;
  std::u16string message;   // the failure's message
  bool error_icon = false;  // shown with the error icon
};

// Translates src line by line. Row 2 of the table gives the direction ("FANUC" / "OSP": to
// OSP, OutDialect 1; "OSP" / "FANUC": to FANUC, OutDialect 2); a row 2 naming neither keeps
// the direction of the previous translation in m.OutDialect, and without one the run fails.
// Row 5's after is the reference point return, rows 6 to 100 map M codes.
// break_after_return (Check1) ends the output line after M02, RTS, M00, M01 and M99.
// m.InComment carries an open comment into and out of the run. A failure stops the run with
// its message; text then holds the lines translated so far.
TranslateResult TranslateProgram(std::u16string_view src, const ConversionTable& table,
                                 bool break_after_return, Module1& m);

}  // namespace kestrum
