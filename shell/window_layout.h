// The main window's layout in twips and the window geometry kept in the settings store.
#pragma once

#include <string>
#include <string_view>

namespace kestrum {

struct TwipsRect {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
};

// Where the controls of frmMain stand for an outer window size of w x h twips. The arithmetic
// is single precision; a size that would be negative in a tiny window is 0.
struct MainLayout {
  float line_right = 0;     // Line1 and Line2 run from x = 0 to here
  TwipsRect source;         // RichTextBox1
  TwipsRect preview;        // RichTextBox2
  TwipsRect accept;         // Command1
  TwipsRect cancel;         // Command2
  TwipsRect file_name;      // Label1
  TwipsRect preview_label;  // Label2
};
MainLayout LayoutMain(float w, float h);

inline constexpr float kLine1Top = 510;
inline constexpr float kLine2Top = 520;

// A geometry value as the settings store holds it: the decimal text of a single-precision
// number ("12000", "1234.5"). A text that is not a plain number, or is beyond what a window
// can be, reads as fallback.
float ReadTwips(std::u16string_view text, float fallback);
std::u16string TwipsText(float twips);

}  // namespace kestrum
