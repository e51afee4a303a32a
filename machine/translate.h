// OSP <-> FANUC dialect translation driven by the conversion table.
#pragma once

#include <string>
#include <string_view>

#include "machine/conversion_table.h"
#include "ncword/module1.h"

namespace kestrum {

struct TranslateResult {
  std::u16string text;  // the whole result, or what was written before a failure
  bool ok = true;
  std::u16string message;   // the failure's message
  bool error_icon = false;  // shown with the error icon
};

TranslateResult TranslateProgram(std::u16string_view src, const ConversionTable& table,
                                 bool break_after_return, Module1& m);

}  // namespace kestrum
