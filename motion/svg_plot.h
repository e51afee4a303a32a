// A path as an SVG picture, for reports and for looking at without the editor.
#pragma once

#include <string>

#include "motion/stored_path.h"
#include "motion/view.h"

namespace kestrum {

struct PlotOptions {
  View view = View::kXY;
  int width = 800;  // pixels; the height follows the path's extent
  std::string title;
  std::string against_title;
};

// One path; with a check, both paths overlaid in two colours and the first difference
// marked. Rapid moves are dashed, feeds solid, moves not compared grey.
std::string PlotSvg(const StoredPath& path, const PlotOptions& options);
std::string PlotSvg(const StoredCheck& check, const PlotOptions& options);

}  // namespace kestrum
