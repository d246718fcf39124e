// A small SVG line-plot writer: one or more series of (x, y) points over
// linear axes with "nice" ticks, light grid, title, axis labels and a legend.
#pragma once

#include <string>
#include <vector>

namespace kaf_tool {

struct PlotSeries {
    std::string label;
    std::string colour;        // an SVG colour, "#1f77b4"
    std::vector<double> x, y;  // a NaN y breaks the line there
};

struct LinePlot {
    std::string title;
    std::string subtitle;
    std::string xLabel;
    std::string yLabel;
    double xMin = 0, xMax = 1;  // axis ranges (widened to whole ticks)
    double yMin = 0, yMax = 1;
    bool exactY = false;        // keep yMin..yMax as given (ticks inside it)
    std::vector<PlotSeries> series;
    std::string emptyNote = "no samples";  // shown when no series has a point
};

std::string RenderSvg(const LinePlot& plot);

// Text with &, <, > and " written as entities, for SVG and HTML alike.
std::string EscapeMarkup(const std::string& text);

// A step of 1, 2 or 5 times a power of ten that cuts `range` into about
// `ticks` pieces.
double NiceStep(double range, int ticks);

}  // namespace kaf_tool
