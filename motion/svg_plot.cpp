#include "motion/svg_plot.h"

#include <algorithm>
#include <cstdio>

namespace kestrum {
namespace {

constexpr const char* kSourceColour = "#1f5fbf";
constexpr const char* kAgainstColour = "#d9480f";
constexpr const char* kGrey = "#9a9a9a";
constexpr double kMargin = 24;
constexpr double kLegend = 40;  // room above the drawing for the legend

std::string Number(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", v);
  return buffer;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The polylines of a path. Points closer than half a pixel are one.
void AddPath(std::string& svg, const StoredPath& path, View view, const Placement& placement,
             double top, const char* colour) {
  Trace(path, view, placement, 0.5, 0, 0,
        [&](TraceStyle style, const std::vector<std::array<float, 2>>& points) {
          svg += "<polyline fill=\"none\" stroke-width=\"1\" stroke=\"";
          svg += style.grey ? kGrey : colour;
          svg += "\"";
          if (style.rapid) svg += " stroke-dasharray=\"4 3\"";
          svg += " points=\"";
          for (const auto& p : points) {
            svg += Number(p[0]);
            svg += ',';
            svg += Number(p[1] + top);
            svg += ' ';
          }
          svg.back() = '"';
          svg += "/>\n";
        });
}

std::string Plot(const StoredPath& path, const StoredCheck* check, const PlotOptions& options) {
  Extent extent = ExtentOf(path, options.view);
  if (check) extent.Add(ExtentOf(check->result, options.view));
  const double width = std::max(options.width, 100);
  const double w = extent.empty ? 1 : std::max(extent.right - extent.left, 1e-6);
  const double h = extent.empty ? 1 : std::max(extent.top - extent.bottom, 1e-6);
  const double drawing = std::clamp((width - 2 * kMargin) * h / w + 2 * kMargin, 100.0, 4 * width);
  const Placement placement = Placement::Fit(extent, width, drawing, kMargin);
  const double height = drawing + kLegend;

  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(width) + "\" height=\"" +
         Number(height) + "\" viewBox=\"0 0 " + Number(width) + " " + Number(height) + "\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<g font-family=\"sans-serif\" font-size=\"12\">\n";
  svg += "<text x=\"8\" y=\"16\" fill=\"" + std::string(kSourceColour) + "\">" +
         Escaped(options.title) + "</text>\n";
  if (check) {
    svg += "<text x=\"8\" y=\"32\" fill=\"" + std::string(kAgainstColour) + "\">" +
           Escaped(options.against_title) + "</text>\n";
  }
  svg += "<text x=\"" + Number(width - 8) +
         "\" y=\"16\" text-anchor=\"end\" fill=\"#444\">dashed: rapid, grey: not compared</text>\n";
  svg += "</g>\n";

  AddPath(svg, path, options.view, placement, kLegend, kSourceColour);
  if (check) {
    AddPath(svg, check->result, options.view, placement, kLegend, kAgainstColour);
    if (check->outcome.difference) {
      const PathDifference& d = *check->outcome.difference;
      // The source's end where the paths part, or the result's when the source had ended.
      const Position& at = d.source_missing ? d.result.end : d.source_own;
      if (at.AllKnown(0x07)) {
        const auto p = placement.Place(Project(options.view, at.v[kX], at.v[kY], at.v[kZ]));
        const std::string x = Number(p[0]), y = Number(p[1] + kLegend);
        svg += "<circle cx=\"" + x + "\" cy=\"" + y +
               "\" r=\"7\" fill=\"none\" stroke=\"red\" stroke-width=\"2\"/>\n";
        svg += "<text x=\"" + Number(p[0] + 10) + "\" y=\"" + Number(p[1] + kLegend - 10) +
               "\" font-family=\"sans-serif\" font-size=\"12\" fill=\"red\">" +
               std::to_string(d.source.number()) + " / " + std::to_string(d.result.number()) +
               "</text>\n";
      }
    }
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace

std::string PlotSvg(const StoredPath& path, const PlotOptions& options) {
  return Plot(path, nullptr, options);
}

std::string PlotSvg(const StoredCheck& check, const PlotOptions& options) {
  return Plot(check.source, &check, options);
}

}  // namespace kestrum
