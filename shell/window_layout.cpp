#include "shell/window_layout.h"

#include <algorithm>
#include <cmath>

#include "ncword/format_coord.h"
#include "ncword/numeric.h"

namespace kestrum {
namespace {

// Far beyond any screen (280 inches), and within what an X11 window can measure in pixels.
constexpr float kMaxTwips = 400000;

float NotNegative(float v) { return std::max(v, 0.0f); }

}  // namespace

MainLayout LayoutMain(float w, float h) {
  MainLayout l;
  l.line_right = w;
  const float pane_width = NotNegative(w / 2 - 200);
  const float pane_height = NotNegative(h - 1790 - 400);
  l.source = {40, 970, pane_width, pane_height};
  l.preview = {pane_width + 100, 970, pane_width, pane_height};
  l.accept = {w - 2650, 550, 1100, 375};
  l.cancel = {w - 1450, 550, 1100, 375};
  l.file_name = {80, 650, NotNegative(pane_width - 10), 365};
  l.preview_label = {pane_width + 100, 650, 5000, 365};
  return l;
}

float ReadTwips(std::u16string_view text, float fallback) {
  if (!IsPlainNumber(text)) return fallback;
  const float v = ToSingle(ReadNumber(text));
  if (!std::isfinite(v) || std::fabs(v) > kMaxTwips) return fallback;
  return v;
}

std::u16string TwipsText(float twips) { return TrimNumber(twips); }

}  // namespace kestrum
