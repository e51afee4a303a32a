// Looking at a stored path: the four views, a path's extent in one, and its lines as drawn at
// a scale, with the points that fall on one pixel merged. This is what keeps drawing a path
// of millions of moves to the number of pixels it covers.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "motion/stored_path.h"

namespace kestrum {

enum class View : std::uint8_t { kXY, kXZ, kYZ, kIso };

// A point as the view shows it: to the right and up, in mm.
inline std::array<double, 2> Project(View view, double x, double y, double z) {
  // The isometric view looks from X+, Y-, Z+ down its diagonal: X runs right and down, Y
  // right and up, Z straight up.
  constexpr double kCos30 = 0.86602540378443865, kSin30 = 0.5;
  switch (view) {
    case View::kXY:
      return {x, y};
    case View::kXZ:
      return {x, z};
    case View::kYZ:
      return {y, z};
    case View::kIso:
      return {(x + y) * kCos30, z + (y - x) * kSin30};
  }
  return {x, y};
}

struct Extent {
  double left = 0, bottom = 0, right = 0, top = 0;
  bool empty = true;
  void Add(double x, double y);
  void Add(const Extent& e);
};
Extent ExtentOf(const StoredPath& path, View view);

// From view coordinates (mm) to the drawing's (pixels, y down): px = (x - x0) * scale,
// py = (y0 - y) * scale.
struct Placement {
  double x0 = 0, y0 = 0, scale = 1;
  std::array<double, 2> Place(const std::array<double, 2>& p) const {
    return {(p[0] - x0) * scale, (y0 - p[1]) * scale};
  }
  std::array<double, 2> Unplace(double px, double py) const {
    return {px / scale + x0, y0 - py / scale};
  }
  // The extent shown whole and centred in a drawing of width x height, with a margin.
  static Placement Fit(const Extent& e, double width, double height, double margin);
};

// How a piece of a path is drawn.
struct TraceStyle {
  bool rapid = false;  // dashed
  bool grey = false;   // not compared
  bool operator==(const TraceStyle&) const = default;
};

// The drawn lines of a path: for each run of moves of one style that join, the points in
// pixels, points closer than min_step pixels to the last one kept merged into it, and
// runs outside the clip rectangle [0, width] x [0, height] (widened by a margin) left out.
// width 0: no clipping. Stops early when stop is set.
void Trace(const StoredPath& path, View view, const Placement& placement, double min_step,
           double width, double height,
           const std::function<void(TraceStyle, const std::vector<std::array<float, 2>>&)>& run,
           const std::atomic<bool>* stop = nullptr);

// The index of the drawn move nearest to a pixel, within max_distance pixels, or SIZE_MAX.
std::size_t NearestMove(const StoredPath& path, View view, const Placement& placement, double px,
                        double py, double max_distance);

}  // namespace kestrum
